"""The installer selection under Wine: for each case, places test installer
DLLs as the search copy (beside the program) and as the system copy (in the
prefix's system directory), runs installer-selection-test.exe and checks what
it reports, what the copies logged and what happened to the files.

Usage: run_wine_cases.py BUILD_FOLDER WORK_FOLDER x86|x86_64
BUILD_FOLDER is the Windows build for that processor; WORK_FOLDER gets a
private Wine prefix (made on first use) and the cases' files.
"""
import os
import shutil
import sys
from pathlib import Path

import wine

BUILD = Path(sys.argv[1]).resolve()
WORK = Path(sys.argv[2]).resolve()
ARCH = sys.argv[3]
PREFIX = WORK / "prefix"
APP = WORK / "app"
LOG = WORK / "installer.log"
SYSTEM = PREFIX / "drive_c" / "windows" / "system32"
SYSTEM_COPY = SYSTEM / "odbccp32.dll"
REJECTED = SYSTEM / "odbccp32.bad"
SEARCH_COPY = APP / "odbccp32.dll"
INSTALLERS = BUILD / "test-installers"
MISSING = "The ODBC installer DLL (ODBCCP32.DLL) is not installed on this system."
SYSTEM_PATH = "C:\\windows\\system32\\odbccp32.dll"
ATTRIBUTES = "DSN=demo;Database=C:\\demo.db".encode().hex() + "0000"

ENVIRONMENT = wine.environment(ARCH, PREFIX, WINEDLLOVERRIDES="odbccp32=n", HOME=str(WORK),
                               RIREVE_TEST_INSTALLER_LOG="Z:" + str(LOG))

failures = []
cases = set()


def run_program(*args):
    done = wine.run(ARCH, args, ENVIRONMENT)
    return done.returncode, done.stdout.decode("utf-8", "replace").replace("\r\n", "\n")


def make_prefix():
    WORK.mkdir(parents=True, exist_ok=True)
    wine.make_prefix(ARCH, PREFIX, ENVIRONMENT)
    APP.mkdir(parents=True, exist_ok=True)
    shutil.copy(BUILD / "installer-selection-test.exe", APP)
    shutil.copy(BUILD / "ansi-text-test.exe", APP)


def place(search=None, system=None, system_size=None):
    shutil.rmtree(REJECTED, ignore_errors=True)
    for path in (SEARCH_COPY, SYSTEM_COPY, REJECTED, LOG):
        path.unlink(missing_ok=True)
    if search:
        shutil.copy(INSTALLERS / f"installer-{search}.dll", SEARCH_COPY)
    if system:
        shutil.copy(INSTALLERS / f"installer-{system}.dll", SYSTEM_COPY)
        if system_size:
            assert SYSTEM_COPY.stat().st_size < system_size, "the stub is too large to pad"
            os.truncate(SYSTEM_COPY, system_size)


def run(requests=1, threads=1, later_search_copy=None):
    later = ["Z:" + str(INSTALLERS / f"installer-{later_search_copy}.dll")] if later_search_copy else []
    code, out = run_program(APP / "installer-selection-test.exe", requests, threads, *later)
    log = LOG.read_text().splitlines() if LOG.exists() else []
    return code, out, log


def check(case, condition, detail):
    cases.add(case)
    if not condition:
        failures.append(f"{case}: {detail}")


def called(log):
    return [line.split(" parent=")[0][len("called "):] for line in log if line.startswith("called ")]


def expect_called(case, copy, requests=1, threads=1):
    code, out, log = run(requests, threads)
    total = requests * threads
    check(case, code == 0, f"exit {code}\n{out}")
    check(case, f"accepted={total} of {total}" in out, out)
    check(case, "references=1\n" in out, f"not exactly one reference left:\n{out}")
    check(case, "message" not in out, out)
    path = str(APP / "odbccp32.dll") if copy == "search" else SYSTEM_PATH
    copies = set(called(log))
    check(case, len(called(log)) == total and len(copies) == 1, f"calls: {log}")
    check(case, all(c.lower().endswith(path.lower().split(":", 1)[-1].replace("/", "\\")) for c in copies),
          f"expected the {copy} copy to be called: {copies}")
    calls = [line for line in log if line.startswith("called ")]
    check(case, all(line.endswith(f" parent=0 request=1 driver=Test Driver attributes={ATTRIBUTES}")
                    for line in calls), f"the request changed on the way: {calls}")
    return out, log


def main():
    wine.skip_unless_runnable(ARCH)
    make_prefix()

    code, out = run_program(APP / "ansi-text-test.exe")
    check("ANSI code page conversion", code == 0 and "0 failed" in out, out)

    place(system="3.0.0.1")
    expect_called("one file for both copies", "system")

    place(search="3.0.0.1", system="3.0.0.2")
    expect_called("system copy newer (3.0.0.2 over 3.0.0.1)", "system")

    place(search="3.0.0.1", system="3.0.0.1")
    expect_called("equal versions", "search")

    place(search="3.1.0.0", system="3.0.9.9")
    expect_called("most significant word first (3.1.0.0 over 3.0.9.9)", "search")

    place(search="3.0.0.1")
    expect_called("only the search copy", "search")

    place(search="3.0.0.2", system="3.0.0.1")
    SYSTEM_COPY.write_bytes(b"MZ not a library" * 2000)
    expect_called("the system copy does not load", "search")

    place(search="3.0.0.1", system="unversioned", system_size=19999)
    out, log = expect_called("a 19,999-byte stub without version", "search")
    stub = "a 19,999-byte stub without version"
    check(stub, REJECTED.exists() and not SYSTEM_COPY.exists(), "the stub was not moved to odbccp32.bad")
    check(stub, REJECTED.exists() and REJECTED.stat().st_size == 19999, "odbccp32.bad is not the stub")
    check(stub, not any("system32" in line.lower() for line in log), f"the stub was loaded: {log}")

    place(search="3.0.0.1", system="unversioned", system_size=20000)
    out, log = expect_called("a 20,000-byte copy without version", "search")
    check("a 20,000-byte copy without version", SYSTEM_COPY.exists() and not REJECTED.exists(),
          "a 20,000-byte copy was moved")

    place(system="unversioned", system_size=19999)
    code, out, log = run(requests=2)
    message = f"message owner=none title=ODBC Installer Error style=0x40 text={MISSING}\n"
    check("stub moved and no search copy", out.count(message) == 2, f"the message on every request:\n{out}")
    check("stub moved and no search copy", "accepted=0 of 2" in out, out)
    check("stub moved and no search copy", REJECTED.exists(), "the stub was not moved")

    place(search="no-entry")
    code, out, log = run()
    expected = (f"message owner=none title=ODBC Installer Error style=0x40 text=The program "
                f"Z:{str(APP / 'installer-selection-test.exe').replace('/', chr(92))}, or one of its DLLs attempted "
                f"to call the function SQLConfigDataSource which is not supported in the loaded ODBC installer DLL "
                f"(Z:{str(APP / 'odbccp32.dll').replace('/', chr(92))}).  Press OK to proceed.\n")
    check("no entry point", out.lower().count(expected.lower()) == 1, f"expected:\n{expected}got:\n{out}")
    check("no entry point", "accepted=0 of 1" in out, out)

    place(search="3.0.0.1", system="3.0.0.2")
    expect_called("eight threads' first requests at once", "system", requests=5, threads=8)

    place(search="32768.0.0.0", system="3.0.0.1")
    expect_called("version words compared unsigned (32768.0.0.0 over 3.0.0.1)", "search")

    place(search="unversioned", system="3.0.0.2")
    expect_called("an unversioned search copy against a versioned system copy", "search")

    place(search="3.0.0.1", system="unversioned", system_size=19999)
    REJECTED.write_bytes(b"an earlier stub")
    expect_called("odbccp32.bad already there", "search")
    check("odbccp32.bad already there", REJECTED.stat().st_size == 19999 and not SYSTEM_COPY.exists(),
          "the earlier odbccp32.bad was not replaced by the stub")

    place(search="3.0.0.1", system="unversioned", system_size=19999)
    REJECTED.mkdir()
    expect_called("the stub cannot be renamed", "search")
    check("the stub cannot be renamed", SYSTEM_COPY.exists() and REJECTED.is_dir(), "the files changed")

    place()
    code, out, log = run(requests=2, later_search_copy="3.0.0.1")
    check("a failed selection is tried again", out.count(f"text={MISSING}") == 1 and "accepted=1 of 2" in out,
          f"the second request should find the copy placed after the first:\n{out}")

    for failure in failures:
        print("FAILED", failure)
    failed = {failure.split(":")[0] for failure in failures}
    print(f"{len(cases) - len(failed)} passed, {len(failed)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
