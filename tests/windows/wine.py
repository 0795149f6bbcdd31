"""Running Windows programs under Wine for the tests, in a private prefix per
processor: 32-bit programs through wine, 64-bit ones through wine64.

A machine whose kernel runs no 32-bit code (IA-32 emulation off) cannot run
32-bit Wine at all; the 32-bit tests then report themselves skipped (exit 77)
and say why, rather than passing.
"""
import os
import subprocess
import sys
from pathlib import Path

SKIPPED = 77
LOADER = {"x86": "wine", "x86_64": "/usr/lib/wine/wine64"}


def skip_unless_runnable(arch):
    if arch != "x86":
        return
    try:
        subprocess.run(["/lib/ld-linux.so.2", "--version"], capture_output=True, check=True)
    except (OSError, subprocess.CalledProcessError) as error:
        print(f"skipped: this machine runs no 32-bit programs, so 32-bit Wine cannot start ({error})")
        sys.exit(SKIPPED)


def environment(arch, prefix, **extra):
    env = dict(os.environ, WINEPREFIX=str(prefix), WINEARCH="win64" if arch == "x86_64" else "win32",
               WINEDEBUG="-all", LANG="en_US.UTF-8", **extra)
    env["WINEDLLOVERRIDES"] = ";".join(filter(None, [extra.get("WINEDLLOVERRIDES"), "mscoree=", "mshtml="]))
    env.pop("DISPLAY", None)
    return env


def make_prefix(arch, prefix, env):
    if (Path(prefix) / "system.reg").exists():
        return
    Path(prefix).parent.mkdir(parents=True, exist_ok=True)
    subprocess.run([LOADER[arch], "wineboot", "--init"], env=env, capture_output=True, check=True, timeout=600)
    subprocess.run(["wineserver", "--wait"], env=env, capture_output=True, timeout=600)


def command(arch, args):
    return [LOADER[arch], *map(str, args)]


def run(arch, args, env, timeout=300):
    return subprocess.run(command(arch, args), env=env, capture_output=True, timeout=timeout)
