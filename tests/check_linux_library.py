"""Checks a Linux library as the jar carries it, with objdump: it exports
exactly the natives of com.nq.odbc.ODBC, needs no symbol version of glibc newer than 2.17
nor any of the system's C++ library, links only system libraries, and holds
no symbols and no build paths.

Usage: check_linux_library.py OBJDUMP LIBRARY NATIVES BUILD_PATH...   (NATIVES: the exports' names, comma-separated)
"""
import re
import subprocess
import sys

SYSTEM_LIBRARIES = {"libodbc.so.2", "libdl.so.2", "libpthread.so.0", "libgcc_s.so.1", "libc.so.6",
                    "ld-linux-x86-64.so.2", "ld-linux-aarch64.so.1"}
GLIBC_FLOOR = (2, 17)

objdump, library, build_paths = sys.argv[1], sys.argv[2], sys.argv[4:]
NATIVES = sorted(sys.argv[3].split(","))
dynamic = subprocess.run([objdump, "-T", library], capture_output=True, text=True, check=True).stdout
headers = subprocess.run([objdump, "-p", "-h", library], capture_output=True, text=True, check=True).stdout
content = open(library, "rb").read()

exports = sorted(line.split()[-1] for line in dynamic.splitlines()
                 if re.search(r"\s(DF|DO)\s+\.text|\s+g\s+DF\s+\.text", line))
versions = set(re.findall(r"\((GLIBC_[0-9.]+|GLIBCXX_[0-9.]+|CXXABI_[0-9.]+)\)", dynamic))
newest = max((tuple(map(int, v[6:].split("."))) for v in versions if v.startswith("GLIBC_")), default=(0,))
needed = set(re.findall(r"NEEDED\s+(\S+)", headers))

problems = []
if exports != NATIVES:
    problems.append(f"exports {exports}, expected {NATIVES}")
if newest > GLIBC_FLOOR:
    problems.append(f"needs GLIBC_{'.'.join(map(str, newest))}, above {'.'.join(map(str, GLIBC_FLOOR))}: "
                    + ", ".join(line.split()[-1] for line in dynamic.splitlines()
                                if re.search(r"GLIBC_2\.(1[89]|[2-9][0-9])", line)))
if any(not v.startswith("GLIBC_") for v in versions):
    problems.append(f"needs the system's C++ library: {sorted(v for v in versions if not v.startswith('GLIBC_'))}")
if needed - SYSTEM_LIBRARIES:
    problems.append(f"links {sorted(needed - SYSTEM_LIBRARIES)}")
if re.search(r"\s\.(symtab|debug_\w+)\s", headers):
    problems.append("not stripped")
for path in build_paths:
    if path.encode() in content:
        problems.append(f"holds the build path {path}")
print(f"{library}: {len(exports)} exports, glibc {'.'.join(map(str, newest))}, links {sorted(needed)}")
for problem in problems:
    print("FAILED", problem)
print(f"{1 if not problems else 0} passed, {1 if problems else 0} failed")
sys.exit(1 if problems else 0)
