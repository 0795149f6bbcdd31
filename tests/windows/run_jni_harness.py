"""The Windows DLL's native methods under Wine, called by jni-harness.exe as
a Java VM would. Wine's ODBC32 hands the calls to the machine's unixODBC, so
the 64-bit DLL lists a private configuration of real drivers, its text read
in the ANSI code page (1252); the 32-bit Wine has no driver manager to hand
them to, so there every ODBC call fails as it would on a machine without one.

Usage: run_jni_harness.py BUILD_FOLDER x86|x86_64 WORK_FOLDER
"""
import shutil
import sys
from pathlib import Path

import wine

BUILD, ARCH, WORK = Path(sys.argv[1]).resolve(), sys.argv[2], Path(sys.argv[3]).resolve()
PREFIX = WORK / f"prefix-{ARCH}"
SQLITE = next(p for p in ("/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so",
                          "/usr/lib/odbc/libsqlite3odbc.so") if Path(p).exists())

ARGUMENT_CHECKS = """registerDataSource(null, null, null): raised java/lang/Throwable: DataSource name is null!, returned null
registerDataSource("a;b", "SQLite3", null): raised java/lang/Throwable: DataSource name is invalid!, returned null
registerDataSource("\u0101", "SQLite3", null): raised java/lang/Throwable: DataSource name is invalid!, returned null
"""
EXPECTED = {
    "x86_64": f"""getDrivers: \n  SQLite3 {{Description=SQLite3 ODBC Driver, Driver={SQLITE}, UsageCount=1}}
  D\u00e4t\u00e4 Driver {{Driver={SQLITE}}}
getDataSources: \n  shared -> SQLite3
  M\u00fcller -> D\u00e4t\u00e4 Driver
  orphan -> null
""" + ARGUMENT_CHECKS + """unregisterDataSource("demo", "No Such Driver"): raised java/lang/Throwable: Error trying to remove ODBC DataSource!, returned false
a listing during an installer request took less than a second
registerDataSource("viaInstaller", "SQLite3", "Database=C:\\v.db"): viaInstaller -> SQLite3
""",
    "x86": """getDrivers: raised java/lang/Throwable: Could not allocate ODBC environmental handle!, returned null
getDataSources: raised java/lang/Throwable: Could not allocate ODBC environmental handle!, returned null
""" + ARGUMENT_CHECKS + """unregisterDataSource("demo", "No Such Driver"): raised java/lang/Throwable: Could not allocate ODBC environmental handle!, returned false
a listing during an installer request took less than a second
registerDataSource("viaInstaller", "SQLite3", "Database=C:\\v.db"): raised java/lang/Throwable: Could not allocate ODBC environmental handle!, returned null
""",
}


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
                           RIREVE_TEST_INSTALLER_LOG=f"Z:{log}", RIREVE_TEST_INSTALLER_PROFILE=f"Z:{WORK / 'user.ini'}")
    wine.make_prefix(ARCH, PREFIX, env)
    shutil.copy(BUILD / "test-installers" / "installer-3.0.0.2.dll",
                PREFIX / "drive_c" / "windows" / "system32" / "odbccp32.dll")
    done = wine.run(ARCH, [BUILD / "jni-harness.exe", BUILD / "RI-REVE.dll"], env)
    out = done.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
    lines = out.splitlines(keepends=True)
    references = [line for line in lines if line.startswith("most local references held: ")]
    listing = "".join(line for line in lines if line not in references)
    problems = []
    if done.returncode != 0:
        problems.append(f"exit {done.returncode}")
    if listing != EXPECTED[ARCH]:
        problems.append(f"expected:\n{EXPECTED[ARCH]}got:\n{out}")
    if not references or int(references[0].split(": ")[1]) > 16:
        problems.append(f"local references not bounded: {references}")
    request = "DSN=viaInstaller;Database=C:\\v.db".encode().hex() + "0000"
    calls = log.read_text().splitlines() if log.exists() else []
    if ARCH == "x86_64" and not any(c.endswith(f"request=1 driver=SQLite3 attributes={request}") for c in calls):
        problems.append(f"the installer did not receive the request unchanged: {calls}")
    for problem in problems:
        print("FAILED", problem)
    print(out)
    print(f"{0 if problems else 1} passed, {1 if problems else 0} failed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
