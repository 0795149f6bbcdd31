"""Running Windows programs under Wine for the tests, in a private prefix per
processor: 32-bit programs through wine, 64-bit ones through wine64.

32-bit Wine runs natively where the kernel runs 32-bit code. Where it does
not (IA-32 emulation off), it runs under qemu-i386, and only qemu 10 or newer
runs it well (7.2 hangs Wine): the test then runs again in a user and mount
namespace of its own, with a private binfmt_misc instance (Linux 6.7 and
newer) in which qemu-i386 is registered for i386 programs. That leaves the
rest of the machine as it was: a global entry would take over every 32-bit
program from native execution, and pin the interpreter across upgrades.
With no qemu-i386, an older one, or one that cannot start, the 32-bit tests
report themselves skipped (exit 77) and say why.

RIREVE_TEST_WINE32_VIA_QEMU=1 takes the qemu road even where 32-bit code runs
natively, to check that road on such a machine.
"""
import os
import re
import signal
import subprocess
import sys
from pathlib import Path

SKIPPED = 77
LOADER = {"x86": "wine", "x86_64": "/usr/lib/wine/wine64"}
QEMU_I386 = "/usr/bin/qemu-i386"
INSIDE = "RIREVE_TEST_PRIVATE_BINFMT"
# qemu's own magic and mask for i386 ELF programs and shared objects; F opens
# the interpreter now, P keeps each program's own argv[0].
I386_ENTRY = (r":qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00"
              r":\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff"
              f":{QEMU_I386}:FP")
BINFMT = "/proc/sys/fs/binfmt_misc"


def skip(reason):
    print(f"skipped: {reason}")
    sys.exit(SKIPPED)


def runs_32_bit_code():
    try:
        subprocess.run(["/lib/ld-linux.so.2", "--version"], capture_output=True, check=True, timeout=60)
        return True
    except (OSError, subprocess.SubprocessError):
        return False


def qemu_version():
    try:
        banner = subprocess.run([QEMU_I386, "--version"], capture_output=True, text=True, timeout=60).stdout
    except (OSError, subprocess.SubprocessError):
        return None
    found = re.search(r"version (\d+)\.(\d+)", banner)
    return (int(found.group(1)), int(found.group(2))) if found else None


def register_qemu():
    """Inside the private namespace: mounts its binfmt_misc and registers qemu-i386."""
    mounted = subprocess.run(["mount", "-t", "binfmt_misc", "binfmt_misc", BINFMT], capture_output=True, text=True)
    if mounted.returncode != 0:
        skip(f"no private binfmt_misc instance for qemu-i386 (Linux 6.7 or newer): {mounted.stderr.strip()}")
    try:
        Path(BINFMT, "register").write_text(I386_ENTRY)
    except OSError as error:
        skip(f"qemu-i386 cannot be registered in the private binfmt_misc instance: {error}")
    if not runs_32_bit_code():
        skip(f"32-bit programs do not start under {QEMU_I386} in the private binfmt_misc instance")


# What 32-bit Wine needs of the i386 architecture (scripts/setup.sh installs
# them as a set of their own, which a mirror caught mid-sync can hold back).
WINE32_PARTS = ["/usr/lib/wine/wine", "/usr/lib/i386-linux-gnu/libodbc.so.2"]


def skip_unless_runnable(arch):
    """Returns where 32-bit programs run (natively or under qemu-i386 10), else skips."""
    if arch != "x86":
        return
    absent = [part for part in WINE32_PARTS if not Path(part).exists()]
    if absent:
        skip(f"32-bit Wine is not installed ({', '.join(absent)} missing: wine32 and libodbc2:i386, which"
             " scripts/setup.sh test installs)")
    if os.environ.get(INSIDE) == "1":
        register_qemu()
        return
    if os.environ.get("RIREVE_TEST_WINE32_VIA_QEMU") != "1" and runs_32_bit_code():
        return
    version = qemu_version()
    if version is None:
        skip(f"this machine runs no 32-bit programs, and {QEMU_I386} is missing or cannot start "
             "(scripts/setup.sh test installs qemu-user 10 from bookworm-backports)")
    if version < (10, 0):
        skip(f"this machine runs no 32-bit programs, and 32-bit Wine hangs under qemu-i386 "
             f"{version[0]}.{version[1]}; it needs 10 or newer (scripts/setup.sh test installs it)")
    private = ["unshare", "--user", "--map-root-user", "--mount"]
    probe = subprocess.run([*private, "true"], capture_output=True, text=True)
    if probe.returncode != 0:
        skip(f"no user and mount namespace for a private binfmt_misc instance: {probe.stderr.strip()}")
    print(f"32-bit programs run under qemu-i386 {version[0]}.{version[1]}, in a private binfmt_misc instance")
    sys.stdout.flush()
    sys.exit(subprocess.run([*private, sys.executable, *sys.argv], env=dict(os.environ, **{INSIDE: "1"})).returncode)


def environment(arch, prefix, **extra):
    env = dict(os.environ, WINEPREFIX=str(prefix), WINEARCH="win64" if arch == "x86_64" else "win32",
               WINEDEBUG="-all", LANG="en_US.UTF-8", **extra)
    env["WINEDLLOVERRIDES"] = ";".join(filter(None, [extra.get("WINEDLLOVERRIDES"), "mscoree=", "mshtml="]))
    env.pop("DISPLAY", None)
    return env


def run_command(args, env, timeout=300, stdin=None):
    """Runs a Wine command in a session of its own, its output captured.

    Wine under qemu-i386 now and then hangs as it starts (wineboot never
    returns, everything idle): past the timeout the session and the
    prefix's wineserver are ended, and the command runs once more, saying so.
    A second hang fails as a timeout."""
    for attempt in (1, 2):
        process = subprocess.Popen(args, env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, start_new_session=True)
        try:
            out, err = process.communicate(stdin, timeout=timeout)
            return subprocess.CompletedProcess(args, process.returncode, out, err)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=60)
            try:
                process.communicate(timeout=30)
            except subprocess.TimeoutExpired:
                pass
            print(f"{' '.join(map(str, args))}: hung for {timeout} s, ended (attempt {attempt})", file=sys.stderr)
    raise subprocess.TimeoutExpired(args, timeout)


def make_prefix(arch, prefix, env):
    if (Path(prefix) / "system.reg").exists():
        return
    Path(prefix).parent.mkdir(parents=True, exist_ok=True)
    made = run_command([LOADER[arch], "wineboot", "--init"], env, timeout=300)
    if made.returncode != 0:
        raise subprocess.CalledProcessError(made.returncode, made.args, made.stdout, made.stderr)
    run_command(["wineserver", "--wait"], env, timeout=300)


def command(arch, args):
    return [LOADER[arch], *map(str, args)]


def run(arch, args, env, timeout=300, stdin=None):
    return run_command(command(arch, args), env, timeout, stdin)
