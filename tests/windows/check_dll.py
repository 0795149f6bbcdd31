"""Checks a Windows DLL's (or program's) export and import tables with objdump -p: it exports
exactly the expected names, and imports only from Windows system DLLs (the
installer and any C++ runtime DLL excepted: those are bound at run time or
linked in).

Usage: check_dll.py OBJDUMP DLL NAME...
"""
import re
import subprocess
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "msvcrt.dll", "odbc32.dll", "ntdll.dll"}

objdump, dll, expected = sys.argv[1], sys.argv[2], sorted(sys.argv[3:])
table = subprocess.run([objdump, "-p", dll], capture_output=True, text=True, check=True).stdout

imports = sorted({name.lower() for name in re.findall(r"DLL Name: (\S+)", table)})
names_section = table.split("[Ordinal/Name Pointer] Table", 1)
exports = sorted(re.findall(r"^\s+\[\s*\d+\] (\S+)$", names_section[1], re.M)) if len(names_section) > 1 else []

problems = []
if exports != expected:
    problems.append(f"exports {exports}, expected {expected}")
unexpected = [name for name in imports if name not in SYSTEM_DLLS]
if unexpected:
    problems.append(f"imports from {unexpected}; only {sorted(SYSTEM_DLLS)} may be imported")
print(f"{dll}: exports {len(exports)}, imports {imports}")
for problem in problems:
    print("FAILED", problem)
print(f"{1 if not problems else 0} passed, {1 if problems else 0} failed")
sys.exit(1 if problems else 0)
