"""clang-tidy over the Windows-only sources, with the checks of .clang-tidy.

The 32-bit Windows build's compilation database names mingw-w64's g++; this
rewrites it for clang: the Windows target, mingw-w64's own include folders,
and without the options only g++ knows.

Usage: tidy_windows.py WINDOWS_BUILD_FOLDER SOURCE...
"""
import json
import shlex
import subprocess
import sys
import tempfile
from pathlib import Path

GCC_ONLY = {"-fno-keep-inline-dllexport"}

build, sources = Path(sys.argv[1]), [str(Path(s).resolve()) for s in sys.argv[2:]]
compiler = "i686-w64-mingw32-g++-posix"
probe = subprocess.run([compiler, "-E", "-x", "c++", "-", "-v"], input="", capture_output=True, text=True).stderr
lines = probe.split("#include <...> search starts here:")[1].split("End of search list.")[0].split()
system_includes = [f"-isystem{line}" for line in lines]

entries = []
for entry in json.loads((build / "compile_commands.json").read_text()):
    if entry["file"] not in sources:
        continue
    words = [w for w in shlex.split(entry["command"])[1:] if w not in GCC_ONLY]
    entry["command"] = shlex.join(["clang++", "--target=i686-w64-windows-gnu", *system_includes, *words])
    entries.append(entry)
missing = set(sources) - {entry["file"] for entry in entries}
if missing:
    sys.exit(f"not in {build}/compile_commands.json: {sorted(missing)}")

with tempfile.TemporaryDirectory() as folder:
    (Path(folder) / "compile_commands.json").write_text(json.dumps(entries))
    sys.exit(subprocess.run(["clang-tidy", "--quiet", "-p", folder, *sources]).returncode)
