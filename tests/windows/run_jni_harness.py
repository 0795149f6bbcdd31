"""The Windows DLL's native methods under Wine, called by jni-harness.exe as
a Java VM would. Wine's ODBC32 hands the calls to the machine's unixODBC of
the same processor (i386 for the 32-bit DLL), so both DLLs list a private
configuration of real drivers, its text read in the ANSI code page (1252),
and expect the same. On 32 bits every call must also remove exactly its
arguments from the stack (__stdcall).

A second run hides the driver manager (its library bound over by an empty
file in a mount namespace of its own): every ODBC call then fails as it
would on a machine without one. ri-reve.exe, the command line, runs first
in the same prefix and must list what the DLL lists.

Usage: run_jni_harness.py BUILD_FOLDER x86|x86_64 WORK_FOLDER
"""
import itertools
import json
import re
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
OTHER_ARCH = {"x86": "x86_64", "x86_64": "x86"}[ARCH]
# A PE driver of the process's own word size, and one of the other.
ODBC32 = "C:\\windows\\system32\\odbc32.dll"
OTHER_DLL = f"Z:{BUILD.parent / f'windows-{OTHER_ARCH}' / 'RI-REVE.dll'}".replace("/", "\\")
CONNECTION = f"DRIVER={{SQLite3}};Database={WORK / 'probe.db'}"
BITS = {"x86": 32, "x86_64": 64}[ARCH]
TARGET = {"x86": "PE 32-bit x86", "x86_64": "PE 64-bit x86-64"}[ARCH]
OTHER_TARGET = {"x86": "PE 64-bit x86-64", "x86_64": "PE 32-bit x86"}[ARCH]

# Each message's Reason, as the library's one table of them gives it.
REASONS = dict(re.findall(r'MESSAGE\(k\w+, "([^"]*)", (\w+)\)',
                          (Path(__file__).resolve().parents[2] / "base" / "messages.h").read_text()))
ORIGINAL = ("getDrivers", "getDataSources", "registerDataSource", "unregisterDataSource")


def raised(call, message, why):
    """A failure as the harness prints it: the four original natives raise a Throwable, every other an ODBCException
    of the message's Reason; the cause says why."""
    reason = REASONS[message]
    cause = f'com/nq/odbc/ODBCException$Cause("{why}", {reason})'
    if call.split("(")[0] in ORIGINAL:
        return f'{call}: raised java/lang/Throwable("{message}", {cause})'
    return f'{call}: raised com/nq/odbc/ODBCException("{message}", {reason}, {cause})'


ARGUMENT_CHECKS = "".join(raised(call, message, why) + ", returned null\n" for call, message, why in [
    ("registerDataSource(null, null, null)", "DataSource name is null!", "the name argument is null"),
    ('registerDataSource("a;b", "SQLite3", null)', "DataSource name is invalid!",
     "the name holds ;, one of []{}(),;?*=!@\\ that names may not hold"),
    ('registerDataSource("\u0101", "SQLite3", null)', "DataSource name is invalid!",
     "the name holds a character the platform's text cannot carry (NUL, a lone surrogate, or on Windows one outside "
     "the ANSI code page)")])
# The connection test of a SQLite3 database through Wine's ODBC32, and the
# diagnosis: the Linux drivers are no PE files, ODBC32 itself passes for a
# driver of this word size, the other build's DLL is of the other.
NULL_CONNECTION = raised("probeConnectionHere(null, 5)", "Connection string is null!",
                         "the connection string is null") + ", returned null\n"
PROBE = """probeConnectionHere(CONNECTION, 5): connected yes
driver-name sqlite3odbc.so
driver-version V
dbms-name SQLite
dbms-version V
end

""" + NULL_CONNECTION
WORK_WINDOWS = "Z:" + str(WORK).replace("/", "\\")
INSTALL = 'installDriverIn("Wine Driver", [Driver, Setup], system, false): '
REMOVE = 'removeDriverIn("Wine Driver", system, false): '
HARNESS_DSN = f"{WORK_WINDOWS}\\harness.dsn"
# Drivers through the test installer's SQLInstallDriverEx and SQLRemoveDriver
# (its usage count), the driver manager's settings in the user's ODBC.INI,
# and a file data source through SQLWriteFileDSN and SQLReadFileDSN.
REFUSED_INSTALLS = "".join(raised(call, message, why) + ", returned null\n" for call, message, why in [
    ('installDriverIn("Wine Driver", [Driver C:\\other.dll], system, false)', "Error trying to install ODBC driver!",
     "the driver Wine Driver is installed with the library C:\\drivers\\wine.dll, not C:\\other.dll; ask for "
     "replacement to install this one in its place"),
    ('installDriverIn("Wine Driver", [Driver, Setup], user, false)', "Error trying to install ODBC driver!",
     "drivers are installed for the whole machine on Windows: the user scope has none"),
    ('installDriverIn("a]b", [Driver, Setup], system, false)', "Driver name is invalid!",
     "the driver's name holds ], which ends a section's name")])
UNREAD_FILE = raised("readFileDataSourceAt(FOLDER\\harness.dsn)", "Could not read ODBC file data source!",
                     f"cannot read {HARNESS_DSN}: No such file or directory") + ", returned null\n"
DRIVERS = f"""{INSTALL}usage count 1, installed, removed [], left []
{INSTALL}usage count 2, installed, removed [], left []
{REFUSED_INSTALLS}configureDriverIn("Wine Driver", system, [CPTimeout, 60], [Setup]): true
{REMOVE}usage count 1, installed, removed [], left []
{REMOVE}usage count 0, not installed, removed [], left []
userDriverNames: []
configureDriverManagerIn([Trace, Yes, TraceFile, C:\\trace.log], null): true
readDriverManagerSettings: ODBC.INI [ODBC] (the user's) {{Trace=Yes, TraceFile=C:\\trace.log}}
readFileDataSourceFolder: C:\\Program Files\\Common Files\\ODBC\\Data Sources
writeFileDataSourceAt(FOLDER\\harness.dsn, [DRIVER, SQLite3, Database, C:\\h.db]): {HARNESS_DSN} {{DRIVER=SQLite3, Database=C:\\h.db}}
listFileDataSourcesIn(FOLDER): \n  {HARNESS_DSN} {{DRIVER=SQLite3, Database=C:\\h.db}}
removeFileDataSourceAt(FOLDER\\harness.dsn): {HARNESS_DSN}
{UNREAD_FILE}"""
# A state applied through the installer's requests. Under Wine the second
# apply adds Database again: the entry the installer's request wrote is not
# read back by the profile functions (left to mend; the Linux suites hold a
# second apply to no change). A refused state raises before anything is read.
STATE_ADDED = r"""
  add HKEY_CURRENT_USER\Software\ODBC\ODBC.INI [stateAdded] Driver: - -> SQLite3
  add HKEY_CURRENT_USER\Software\ODBC\ODBC.INI [stateAdded] Database: - -> C:\s.db"""
STATES = f"""planState(STATE, false, false): {STATE_ADDED}
applyState(STATE, false, false): changed{STATE_ADDED}
  restored []
  failure none
applyState(STATE, false, false): changed
  add HKEY_CURRENT_USER\\Software\\ODBC\\ODBC.INI [stateAdded] Database: - -> C:\\s.db
  restored []
  failure none
""" + raised("applyState(null, true, false)", "ODBC configuration state is null!", "the state argument is null") \
    + ", returned null\n" + raised('applyState({"version": 2}, true, false)', "ODBC configuration state is invalid!",
                                   "$.version: must be 1, the version this library reads") + """, returned null
exportState(false): names stateAdded
"""
UNHEALTHY = "uses the driver {}, which has an error of its own (see above)"
FINDINGS = [
    (0, "driver.library-invalid", "SQLite3", f"Driver={SQLITE}: {SQLITE} is not a PE file (N bytes)"),
    (0, "driver.library-invalid", "D\u00e4t\u00e4 Driver", f"Driver={SQLITE}: {SQLITE} is not a PE file (N bytes)"),
    (2, "driver.ok", "Odbc32", f"Driver={ODBC32} is built for {TARGET}, its dependencies found, its entry points exported"),
    (0, "driver.word-size-mismatch", "Other Word Size", f"Driver={OTHER_DLL} is {OTHER_TARGET}, this program {TARGET}"),
    (0, "datasource.driver-unhealthy", "viaInstaller", "the user data source viaInstaller " + UNHEALTHY.format("SQLite3")),
    (0, "datasource.driver-unhealthy", "shared", "the system data source shared " + UNHEALTHY.format("SQLite3")),
    (0, "datasource.driver-unhealthy", "M\u00fcller", "the system data source M\u00fcller "
     + UNHEALTHY.format("D\u00e4t\u00e4 Driver")),
    (0, "datasource.driver-not-installed", "orphan",
     "the system data source orphan names the driver Gone (Driver=Gone), which is not installed"),
    # Removed, but still in the driver manager's cached list of this process.
    (0, "datasource.driver-unhealthy", "sysAdded", "the system data source sysAdded " + UNHEALTHY.format("SQLite3")),
]
DRIVER_LIST = f"""\n  SQLite3 {{Description=SQLite3 ODBC Driver, Driver={SQLITE}, UsageCount=1}}
  D\u00e4t\u00e4 Driver {{Driver={SQLITE}}}
  Odbc32 {{Driver={ODBC32}}}
  Other Word Size {{Driver={OTHER_DLL}}}
"""
DATA_SOURCE_LIST = """\n  shared -> SQLite3
  M\u00fcller -> D\u00e4t\u00e4 Driver
  orphan -> null
"""
# What a test reads of the configuration before it calls the driver manager.
TEST_TARGETS = """findTestTarget("shared", 0): verdict 0, driver SQLite3, reason , hidden no
findTestTarget("orphan", 0): verdict 2, driver Gone, reason the system data source orphan names the driver Gone, \
which is not installed, hidden no
"""
# The scoped requests' setup in ri-reve-probe.exe: one that dies midway
# through writing the registry, the data source's key and listing put back;
# the child's wait from the VM's property; no probe program to be had.
PUT_BACK = "; the data source's registry key is as it was"
REFUSED_IN_CHILD = [
    ('registerDataSourceIn("crashes", "SQLite3", [Crash, yes], system)', "Error trying to register ODBC DataSource!",
     "the driver's setup's process ended with exception 0xC0000005 before it answered" + PUT_BACK, "null"),
    ('unregisterDataSourceIn("shared", "SQLite3", system), setupTimeoutMillis=soon', "Error trying to remove ODBC DataSource!",
     "com.nq.odbc.setupTimeoutMillis=soon is not a number of milliseconds from 1 to 86400000", "false"),
    ('configureDataSourceIn("shared", system, [Timeout, 6], null), no probe program',
     "Error trying to configure ODBC DataSource!", "the jar has no ri-reve-probe.exe" + PUT_BACK, "null")]
SETUP_CHILD_CASES = raised(*REFUSED_IN_CHILD[0][:3]) + ", returned null\n" \
    "the registry after the crash: crashes {Description=before}, not listed\n" + "".join(
        raised(call, message, why) + f", returned {result}\n" for call, message, why, result in REFUSED_IN_CHILD[1:])
EXPECTED = f"getDrivers: {DRIVER_LIST}listDrivers: {DRIVER_LIST}getDataSources: {DATA_SOURCE_LIST}" \
    f"listDriverManagerDataSources: {DATA_SOURCE_LIST}" + ARGUMENT_CHECKS + raised('unregisterDataSource("demo", "No Such Driver")', "Error trying to remove ODBC DataSource!",
                               "the ODBC installer refused the request") + """, returned false
a listing during an installer request took less than a second
registerDataSource("viaInstaller", "SQLite3", "Database=C:\\v.db"): viaInstaller -> SQLite3
listDataSourcesIn(user|system): \n  viaInstaller [user] -> SQLite3 {Driver=SQLite3}
  shared [system] -> SQLite3 {Driver=SQLite3}
  M\u00fcller [system] -> D\u00e4t\u00e4 Driver {Driver=D\u00e4t\u00e4 Driver}
  orphan [system] -> Gone (not installed) {Driver=Gone}
configureDataSourceIn("shared", system, [Timeout, 5], [Nope]): shared [system] -> SQLite3 {Driver=SQLite3, Timeout=5}
""" + raised('configureDataSourceIn("shared", user, [Timeout, 5], null)', "Error trying to configure ODBC DataSource!",
             "no user data source named shared") + """, returned null
registerDataSourceIn("sysAdded", "SQLite3", null, system): sysAdded [system] -> SQLite3 {Driver=SQLite3}
unregisterDataSourceIn("sysAdded", "SQLite3", system): true
""" + SETUP_CHILD_CASES + """the installer's configuration mode after every call: 0
""" + PROBE + "diagnoseConfiguration: " + "".join(f"\n  {severity} {code} {subject}: {reason}" for severity, code,
                                                  subject, reason in FINDINGS) + "\n" + TEST_TARGETS + DRIVERS + STATES + STACK_CHECK


def without_environment(call, result, why="the driver manager's SQLAllocEnv failed"):
    return raised(call, "Could not allocate ODBC environmental handle!", why) + f", returned {result}\n"


WITHOUT_DRIVER_MANAGER = "".join(without_environment(call, "null") for call in
                                 ("getDrivers", "listDrivers", "getDataSources", "listDriverManagerDataSources")) + ARGUMENT_CHECKS + "".join(
    without_environment(call, result) for call, result in [
        ('unregisterDataSource("demo", "No Such Driver")', "false"),
        ('registerDataSource("viaInstaller", "SQLite3", "Database=C:\\v.db")', "null")]) + \
    "a listing during an installer request took less than a second\n" + "".join(
    without_environment(call, result) for call, result in [
        ("listDataSourcesIn(user|system)", "null"),
        ('configureDataSourceIn("shared", system, [Timeout, 5], [Nope])', "null"),
        ('configureDataSourceIn("shared", user, [Timeout, 5], null)', "null"),
        ('registerDataSourceIn("sysAdded", "SQLite3", null, system)', "null"),
        ('unregisterDataSourceIn("sysAdded", "SQLite3", system)', "false"),
        (REFUSED_IN_CHILD[0][0], "null")]) + SETUP_CHILD_CASES.splitlines(keepends=True)[1] + \
    raised(*REFUSED_IN_CHILD[1][:3]) + ", returned false\n" + without_environment(REFUSED_IN_CHILD[2][0], "null") + \
    without_environment(
    "probeConnectionHere(CONNECTION, 5)", "null", "the driver manager's SQLAllocHandle for an environment failed") + \
    NULL_CONNECTION + without_environment("diagnoseConfiguration", "null") + "".join(
        without_environment(f'findTestTarget("{name}", 0)', "null") for name in ("shared", "orphan")) + DRIVERS + "".join(
        raised(call, "Could not read ODBC configuration!", "the driver manager's SQLAllocEnv failed") + ", returned null\n"
        for call in ("planState(STATE, false, false)", "applyState(STATE, false, false)",
                     "applyState(STATE, false, false)")) + \
    raised("applyState(null, true, false)", "ODBC configuration state is null!", "the state argument is null") + \
    ", returned null\n" + raised('applyState({"version": 2}, true, false)', "ODBC configuration state is invalid!",
                                 "$.version: must be 1, the version this library reads") + ", returned null\n" + \
    raised("exportState(false)", "Could not read ODBC configuration!",
                                 "the driver manager's SQLAllocEnv failed") + "\n" + STACK_CHECK


def run_harness(env, hide_driver_manager=False):
    """The harness's output without its local reference count, the count, and the exit status."""
    (WORK / "installer-drivers.ini").unlink(missing_ok=True)
    command = wine.command(ARCH, [BUILD / "jni-harness.exe", BUILD / "RI-REVE.dll", CONNECTION,
                                          "Z:" + str(WORK).replace("/", "\\")])
    if hide_driver_manager:
        command = ["unshare", "-m", "sh", "-c", 'mount --bind /dev/null "$0" && exec "$@"', DRIVER_MANAGER,
                   *command]
    done = wine.run_command(command, env, timeout=300)
    out = done.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
    lines = out.splitlines(keepends=True)
    references = [line for line in lines if line.startswith("most local references held: ")]
    listing = "".join(line for line in lines if line not in references)
    # What differs between machines: versions, sizes.
    listing = re.sub(r"^(driver|dbms)-version .*$", r"\1-version V", listing, flags=re.M)
    listing = re.sub(r"\(\d+ bytes\)", "(N bytes)", listing)
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


def check_probe_program(env):
    """ri-reve-probe.exe, as the Java side runs it: the request on its input, the report on its output."""
    done = wine.run(ARCH, [BUILD / "ri-reve-probe.exe"], env, stdin=f"5\n{CONNECTION}".encode())
    report = re.sub(r"^(driver|dbms)-version .*$", r"\1-version V", done.stdout.decode().replace("\r\n", "\n"), flags=re.M)
    expected = PROBE.split("\n\n")[0].split(": ", 1)[1] + "\n"
    if done.returncode != 0 or report != expected:
        return [f"ri-reve-probe.exe: exit {done.returncode}, expected:\n{expected}got:\n{report}"]
    return []


VERSION = re.search(r"project\(RI-REVE VERSION (\S+)", (Path(__file__).resolve().parents[2] / "CMakeLists.txt").read_text())[1]
COMMAND_LINE = ("--version", "drivers", "dsns --json")


def run_command_line(env):
    """ri-reve.exe's runs, on the configuration as the suite wrote it, before any call changes it."""
    return {args: wine.run(ARCH, [BUILD / "ri-reve.exe", *args.split()], env) for args in COMMAND_LINE}


def listed(listing, call):
    """The lines of a listing the harness printed, after `call: `."""
    lines = ("\n" + listing).split(f"\n{call}: \n", 1)[1].splitlines()
    return list(itertools.takewhile(lambda line: line.startswith("  "), lines))


def check_command_line(runs, listing):
    """The command line lists what the DLL lists: the drivers' names and libraries (its table in the ANSI code
    page), each data source's name, scope, driver and whether it is installed (its JSON in UTF-8)."""
    problems = [f"ri-reve.exe {args}: exit {done.returncode}: {done.stderr.decode(errors='replace')}"
                for args, done in runs.items() if done.returncode != 0]
    text = {args: done.stdout.replace(b"\r\n", b"\n") for args, done in runs.items()}
    if text["--version"].decode() != f"ri-reve {VERSION}\nplatforms: windows-{ARCH}\n":
        problems.append(f"ri-reve.exe --version printed {text['--version']!r}")
    rows = [re.split(r" {2,}", line.rstrip()) for line in text["drivers"].decode("cp1252").splitlines()[1:]]
    table = [(row[0], row[1]) for row in rows]
    drivers = [re.match(r"  (.+?) \{(?:.*[ ,])?Driver=([^,}]*)", line).groups() for line in listed(listing, "getDrivers")]
    if table != drivers:
        problems.append(f"ri-reve.exe drivers listed {table}, the DLL {drivers}")
    names = [line.split(" -> ")[0].strip() for line in listed(listing, "getDataSources")]
    scoped = [re.match(r"  (.+?) \[(\w+)\] -> (.+?)( \(not installed\))? \{", line).groups()
              for line in listed(listing, "listDataSourcesIn(user|system)")]
    sources = [(name, scope, driver, not missing) for name, scope, driver, missing in scoped if name in names]
    try:
        shown = [(d["name"], d["scope"], d["driver"], d["installed"]) for d in json.loads(text["dsns --json"].decode())]
    except (ValueError, KeyError) as error:
        shown = f"no JSON of data sources ({error}): {text['dsns --json']!r}"
    if shown != sources:
        problems.append(f"ri-reve.exe dsns --json listed {shown}, the DLL {sources}")
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
        + b"[D\xe4t\xe4 Driver]\nDriver=" + SQLITE.encode() + b"\n"
        + f"[Odbc32]\nDriver={ODBC32}\n[Other Word Size]\nDriver={OTHER_DLL}\n".encode())
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
                           RIREVE_TEST_INSTALLER_SYSTEM_PROFILE=f"Z:{WORK / 'odbc.ini'}",
                           RIREVE_TEST_INSTALLER_DRIVERS=f"Z:{WORK / 'installer-drivers.ini'}")
    wine.make_prefix(ARCH, PREFIX, env)
    shutil.copy(BUILD / "test-installers" / "installer-3.0.0.2.dll",
                PREFIX / "drive_c" / "windows" / "system32" / "odbccp32.dll")
    command_line = run_command_line(env)
    listing, references, status, out = run_harness(env)
    problems = check("with the driver manager", EXPECTED, listing, references, status, out)
    problems += check_command_line(command_line, listing)
    request = "DSN=viaInstaller;Database=C:\\v.db".encode().hex() + "0000"
    calls = log.read_text().splitlines() if log.exists() else []
    if not any(c.endswith(f"request=1 driver=SQLite3 attributes={request}") for c in calls):
        problems.append(f"the installer did not receive the request unchanged: {calls}")
    # ODBC_INSTALL_COMPLETE, the driver's folder as the path in, its entries in order.
    install = r"installdriver pathin=C:\drivers request=2 list=Wine Driver|Driver=C:\drivers\wine.dll|Setup=C:\drivers\wines.dll|"
    for wanted in (install, "removedriver name=Wine Driver removedsn=0", "writefiledsn key=DRIVER value=SQLite3"):
        if sum(1 for c in calls if c == wanted) < 1:
            problems.append(f"the installer did not receive {wanted}: {calls}")
    # ODBC_CONFIG_SYS_DSN, ODBC_ADD_SYS_DSN, ODBC_REMOVE_SYS_DSN, from the
    # probe program's process, with ConfigDSN's list of NUL-ended entries.
    for code, text in ((5, "DSN=shared\0Timeout=5"), (4, "DSN=sysAdded"), (6, "DSN=sysAdded")):
        if not any(f"request={code} driver=SQLite3 attributes={text.encode().hex()}0000" in c for c in calls):
            problems.append(f"the installer received no system request {code} ({text!r}): {calls}")
    if "crashed writing SOFTWARE\\ODBC\\ODBC.INI\\crashes" not in calls:
        problems.append(f"the crashing setup did not write the registry: {calls}")
    problems += check_probe_program(env)
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
