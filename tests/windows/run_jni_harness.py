"""The Windows DLL's native methods under Wine, called by jni-harness.exe as
a Java VM would. Wine's ODBC32 hands the calls to the machine's unixODBC of
the same processor (i386 for the 32-bit DLL), so both DLLs list a private
configuration of real drivers, its text read in the ANSI code page (1252),
and expect the same. On 32 bits every call must also remove exactly its
arguments from the stack (__stdcall).

A second run hides the driver manager (its library bound over by an empty
file in a mount namespace of its own): every ODBC call then fails as it
would on a machine without one.

Usage: run_jni_harness.py BUILD_FOLDER x86|x86_64 WORK_FOLDER
"""
import shutil
import subprocess
import sys
from pathlib import Path

import wine

BUILD, ARCH, WORK = Path(sys.argv[1]).resolve(), sys.argv[2], Path(sys.argv[3]).resolve()
PREFIX = WORK / f"prefix-{ARCH}"
TRIPLET = {"x86": "i386-linux-gnu", "x86_64": "x86_64-linux-gnu"}[ARCH]
SQLITE = f"/usr/lib/{TRIPLET}/odbc/libsqlite3odbc.so"
DRIVER_MANAGER = f"/usr/lib/{TRIPLET}/libodbc.so.2"
STACK_CHECK = "getDrivers with a third argument moved the stack by -4\n" if ARCH == "x86" else ""

ARGUMENT_CHECKS = """registerDataSource(null, null, null): raised java/lang/Throwable: DataSource name is null! caused by the name argument is null (kind 0), returned null
registerDataSource("a;b", "SQLite3", null): raised java/lang/Throwable: DataSource name is invalid! caused by the name holds ;, one of []{}(),;?*=!@\\ that names may not hold (kind 0), returned null
registerDataSource("\u0101", "SQLite3", null): raised java/lang/Throwable: DataSource name is invalid! caused by the name holds a character the platform's text cannot carry (NUL, a lone surrogate, or on Windows one outside the ANSI code page) (kind 0), returned null
"""
EXPECTED = f"""getDrivers: \n  SQLite3 {{Description=SQLite3 ODBC Driver, Driver={SQLITE}, UsageCount=1}}
  D\u00e4t\u00e4 Driver {{Driver={SQLITE}}}
getDataSources: \n  shared -> SQLite3
  M\u00fcller -> D\u00e4t\u00e4 Driver
  orphan -> null
""" + ARGUMENT_CHECKS + """unregisterDataSource("demo", "No Such Driver"): raised java/lang/Throwable: Error trying to remove ODBC DataSource! caused by the ODBC installer refused the request (kind 1), returned false
a listing during an installer request took less than a second
registerDataSource("viaInstaller", "SQLite3", "Database=C:\\v.db"): viaInstaller -> SQLite3
listDataSourcesIn(user|system): \n  viaInstaller [user] -> SQLite3 {Driver=SQLite3}
  shared [system] -> SQLite3 {Driver=SQLite3}
  M\u00fcller [system] -> D\u00e4t\u00e4 Driver {Driver=D\u00e4t\u00e4 Driver}
  orphan [system] -> Gone (not installed) {Driver=Gone}
configureDataSourceIn("shared", system, [Timeout, 5], [Nope]): shared [system] -> SQLite3 {Driver=SQLite3, Timeout=5}
configureDataSourceIn("shared", user, [Timeout, 5], null): raised com/nq/odbc/ODBCException: Error trying to configure ODBC DataSource! caused by no user data source named shared (kind 1), returned null
registerDataSourceIn("sysAdded", "SQLite3", null, system): sysAdded [system] -> SQLite3 {Driver=SQLite3}
unregisterDataSourceIn("sysAdded", "SQLite3", system): true
the installer's configuration mode after every call: 0
""" + STACK_CHECK
WITHOUT_DRIVER_MANAGER = """getDrivers: raised java/lang/Throwable: Could not allocate ODBC environmental handle! caused by the driver manager's SQLAllocEnv failed (kind 2), returned null
getDataSources: raised java/lang/Throwable: Could not allocate ODBC environmental handle! caused by the driver manager's SQLAllocEnv failed (kind 2), returned null
""" + ARGUMENT_CHECKS + """unregisterDataSource("demo", "No Such Driver"): raised java/lang/Throwable: Could not allocate ODBC environmental handle! caused by the driver manager's SQLAllocEnv failed (kind 2), returned false
registerDataSource("viaInstaller", "SQLite3", "Database=C:\\v.db"): raised java/lang/Throwable: Could not allocate ODBC environmental handle! caused by the driver manager's SQLAllocEnv failed (kind 2), returned null
a listing during an installer request took less than a second
""" + "".join(f"{call}: raised com/nq/odbc/ODBCException: Could not allocate ODBC environmental handle! caused by the driver "
              f"manager's SQLAllocEnv failed (kind 2), returned {result}\n" for call, result in [
                  ("listDataSourcesIn(user|system)", "null"),
                  ('configureDataSourceIn("shared", system, [Timeout, 5], [Nope])', "null"),
                  ('configureDataSourceIn("shared", user, [Timeout, 5], null)', "null"),
                  ('registerDataSourceIn("sysAdded", "SQLite3", null, system)', "null"),
                  ('unregisterDataSourceIn("sysAdded", "SQLite3", system)', "false")]) + STACK_CHECK


def run_harness(env, hide_driver_manager=False):
    """The harness's output without its local reference count, the count, and the exit status."""
    command = wine.command(ARCH, [BUILD / "jni-harness.exe", BUILD / "RI-REVE.dll"])
    if hide_driver_manager:
        command = ["unshare", "-m", "sh", "-c", 'mount --bind /dev/null "$0" && exec "$@"', DRIVER_MANAGER,
                   *command]
    done = subprocess.run(command, env=env, capture_output=True, timeout=300)
    out = done.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
    lines = out.splitlines(keepends=True)
    references = [line for line in lines if line.startswith("most local references held: ")]
    listing = "".join(line for line in lines if line not in references)
    return listing, references, done.returncode, out + done.stderr.decode("utf-8", "replace")


def check(name, expected, listing, references, status, out):
    problems = []
    if status != 0:
        problems.append(f"{name}: exit {status}")
    if listing != expected:
        problems.append(f"{name}: expected:\n{expected}got:\n{out}")
    if not references or int(references[0].split(": ")[1]) > 16:
        problems.append(f"{name}: local references not bounded: {references}")
    return problems


def can_hide_files():
    probe = subprocess.run(["unshare", "-m", "true"], capture_output=True)
    return probe.returncode == 0


def main():
    wine.skip_unless_runnable(ARCH)
    WORK.mkdir(parents=True, exist_ok=True)
    # Names in Windows-1252 bytes, as a Windows program would have written them.
    (WORK / "odbcinst.ini").write_bytes(
        f"[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver={SQLITE}\nUsageCount=1\n\n".encode()
        + b"[D\xe4t\xe4 Driver]\nDriver=" + SQLITE.encode() + b"\n")
    (WORK / "odbc.ini").write_bytes(b"[shared]\nDriver=SQLite3\n[M\xfcller]\nDriver=D\xe4t\xe4 Driver\n"
                                    b"[orphan]\nDriver=Gone\n")
    (WORK / "user.ini").write_bytes(b"")
    # A test installer as the system's, slow, writing what it adds where the
    # driver manager reads it, so that the read-back finds it.
    log = WORK / "installer.log"
    log.unlink(missing_ok=True)
    env = wine.environment(ARCH, PREFIX, ODBCSYSINI=str(WORK), ODBCINI=str(WORK / "user.ini"), HOME=str(WORK),
                           WINEDLLOVERRIDES="odbccp32=n", RIREVE_TEST_INSTALLER_SLEEP_MS="2000",
                           RIREVE_TEST_INSTALLER_LOG=f"Z:{log}", RIREVE_TEST_INSTALLER_PROFILE=f"Z:{WORK / 'user.ini'}",
                           RIREVE_TEST_INSTALLER_SYSTEM_PROFILE=f"Z:{WORK / 'odbc.ini'}")
    wine.make_prefix(ARCH, PREFIX, env)
    shutil.copy(BUILD / "test-installers" / "installer-3.0.0.2.dll",
                PREFIX / "drive_c" / "windows" / "system32" / "odbccp32.dll")
    listing, references, status, out = run_harness(env)
    problems = check("with the driver manager", EXPECTED, listing, references, status, out)
    request = "DSN=viaInstaller;Database=C:\\v.db".encode().hex() + "0000"
    calls = log.read_text().splitlines() if log.exists() else []
    if not any(c.endswith(f"request=1 driver=SQLite3 attributes={request}") for c in calls):
        problems.append(f"the installer did not receive the request unchanged: {calls}")
    # ODBC_CONFIG_SYS_DSN, ODBC_ADD_SYS_DSN, ODBC_REMOVE_SYS_DSN
    for code, text in ((5, "DSN=shared;Timeout=5"), (4, "DSN=sysAdded"), (6, "DSN=sysAdded")):
        if not any(f"request={code} driver=SQLite3 attributes={text.encode().hex()}0000" in c for c in calls):
            problems.append(f"the installer received no system request {code} ({text}): {calls}")
    print(out)
    if can_hide_files():
        hidden = run_harness(env, hide_driver_manager=True)
        problems += check("without a driver manager", WITHOUT_DRIVER_MANAGER, *hidden)
        print(hidden[3])
    else:
        print("not run: the case without a driver manager (unshare -m is not permitted here)")
    for problem in problems:
        print("FAILED", problem)
    print(f"{0 if problems else 1} passed, {1 if problems else 0} failed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
