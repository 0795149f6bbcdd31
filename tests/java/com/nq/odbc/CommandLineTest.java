package com.nq.odbc;

import static org.junit.jupiter.api.Assertions.assertDoesNotThrow;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.File;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.EnumSource;

/** The command line, run as the native program and through the jar, and the Java API built on the natives, on the real unixODBC. */
class CommandLineTest {
    static final String SQLITE = PrivateConfiguration.driverLibrary("libsqlite3odbc.so");

    /** The two ways to run the command line: the program itself, and the jar that carries it. */
    enum Entry {
        NATIVE("ri-reve"), JAR("java -jar ri-reve.jar");

        final String program;

        Entry(String program) {
            this.program = program;
        }

        List<String> command() {
            if (this == NATIVE) {
                return new ArrayList<>(List.of(System.getProperty("rireve.test.cli")));
            }
            return Processes.java("-jar", System.getProperty("rireve.test.classpath").split(":")[1]);
        }
    }

    /** One run of the command line: its exit status and what it printed. */
    static final class Run {
        final int status;
        final String out;
        final String err;

        Run(Entry entry, String... args) {
            this(entry, "", Map.of(), args);
        }

        Run(Entry entry, String input, Map<String, String> environment, String... args) {
            List<String> command = entry.command();
            command.addAll(List.of(args));
            File out = PrivateConfiguration.FOLDER.resolve("run.out").toFile();
            File err = PrivateConfiguration.FOLDER.resolve("run.err").toFile();
            try {
                ProcessBuilder builder = new ProcessBuilder(command).redirectOutput(out).redirectError(err);
                builder.environment().putAll(environment);
                Process process = builder.start();
                process.getOutputStream().write(input.getBytes(StandardCharsets.UTF_8));
                process.getOutputStream().close();
                status = process.waitFor();
                this.out = Files.readString(out.toPath());
                this.err = Files.readString(err.toPath());
            } catch (Exception e) {
                throw new IllegalStateException(String.join(" ", command), e);
            }
        }
    }

    @BeforeEach
    void configure() throws Exception {
        PrivateConfiguration.write(UnixOdbcRegistrationTest.DRIVERS,
                "[shared]\nDriver=SQLite3\n\n[orphan]\nDriver=Gone\n", "[Dätä]\nDriver=MariaDB Unicode\n");
        Files.deleteIfExists(UnixOdbcRegistrationTest.SETUP_LOG);
    }

    @ParameterizedTest
    @EnumSource(Entry.class)
    void tablesAreAlignedForPeople(Entry entry) throws Exception {
        Run drivers = new Run(entry, "drivers");
        assertEquals(0, drivers.status);
        String psql = PrivateConfiguration.driverLibrary("psqlodbcw.so");
        String maria = PrivateConfiguration.driverLibrary("libmaodbc.so");
        String row = "%-20s%-" + (Math.max(SQLITE.length(), Math.max(psql.length(), maria.length())) + 2) + "s%-7s%s";
        // A driver of the user's own, listed after the system's.
        Files.writeString(PrivateConfiguration.FOLDER.resolve(".odbcinst.ini"), "[Own]\nDriver=" + SQLITE + "\n");
        assertEquals(String.format(row, "DRIVER", "LIBRARY", "USAGE", "SCOPE\n")
                + String.format(row, "SQLite3", SQLITE, "1", "system\n")
                + String.format(row, "PostgreSQL Unicode", psql, "-", "system\n")
                + String.format(row, "MariaDB Unicode", maria, "-", "system\n")
                + String.format(row, "Recording Setup", SQLITE, "-", "system\n")
                + String.format(row, "Own", SQLITE, "-", "user\n"), new Run(entry, "drivers").out);
        Files.delete(PrivateConfiguration.FOLDER.resolve(".odbcinst.ini"));

        // Every attribute under its driver, in the library's column (as wide as the longest value).
        String verbose = new Run(entry, "drivers", "--verbose").out.replaceAll(" {2,}", "  ");
        assertTrue(verbose.startsWith("DRIVER  LIBRARY  USAGE  SCOPE\nSQLite3  " + SQLITE + "  1  system\n"
                + "  Description  SQLite3 ODBC Driver\n  Driver  " + SQLITE + "\n  UsageCount  1\n"
                + "PostgreSQL Unicode  "), verbose);

        assertEquals("NAME    SCOPE   DRIVER\nDätä    user    MariaDB Unicode\nshared  system  SQLite3\n"
                + "orphan  system  Gone (not installed)\n", new Run(entry, "dsns").out);
    }

    @ParameterizedTest
    @EnumSource(Entry.class)
    void driversSettingsAndFileDataSourcesFromTheCommandLine(Entry entry) throws Exception {
        String folder = PrivateConfiguration.FOLDER.toString();
        String dsn = folder + "/cli.dsn";
        String[][] steps = {
            {"drivers install Foo Driver=" + SQLITE + " Description=foo", "0", "Foo: usage count 1\n"},
            {"--json drivers install Foo Driver=" + SQLITE, "0", "{\"driver\": \"Foo\", \"usageCount\": 2, \"installed\": true,"
                + " \"removedDataSources\": [], \"dataSourcesLeft\": []}\n"},
            {"drivers install Foo Driver=/other.so", "1", ""},
            {"drivers set Foo CPTimeout=60 --unset Description", "0", "Changed Foo\n"},
            {"drivers show Foo", "0", "[Foo]\nCPTimeout=60\nDriver=" + SQLITE + "\nUsageCount=2\n"},
            {"drivers remove Foo", "0", "Foo: usage count 1\n"},
            {"drivers remove Foo --with-data-sources", "0", "Removed Foo\n"},
            {"drivers remove Foo", "1", ""},
            {"trace on --file " + folder + "/t.log", "0", "[ODBC] in " + PrivateConfiguration.DRIVERS + "\nTrace=Yes\nTraceFile="
                + folder + "/t.log\n"},
            {"--json trace off", "0", "{\"path\": \"" + PrivateConfiguration.DRIVERS + "\", \"overriddenBy\": null, \"entries\":"
                + " {\"Trace\": \"No\", \"TraceFile\": \"" + folder + "/t.log\"}}\n"},
            {"settings set --unset TraceFile Pooling=Yes", "0", "[ODBC] in " + PrivateConfiguration.DRIVERS
                + "\nTrace=No\nPooling=Yes\n"},
            {"filedsn add " + dsn + " SQLite3 Database=x", "0", "Wrote " + dsn + "\n"},
            {"--json filedsns " + folder, "0", "[\n  {\"path\": \"" + dsn + "\", \"entries\": {\"DRIVER\": \"SQLite3\","
                + " \"Database\": \"x\"}}\n]\n"},
            {"filedsn show " + dsn, "0", "[ODBC]\nDRIVER=SQLite3\nDatabase=x\n"},
            {"filedsn remove " + dsn, "0", "Removed " + dsn + "\n"},
            {"filedsn show " + dsn, "1", ""},
        };
        for (String[] step : steps) {
            Run run = new Run(entry, step[0].split(" "));
            assertEquals(step[1] + step[2], run.status + (run.status == 0 ? run.out : ""), step[0] + ": " + run.err);
            assertEquals(run.status != 0, !run.err.isEmpty(), step[0] + ": " + run.err);
        }
    }

    @ParameterizedTest
    @EnumSource(Entry.class)
    void jsonIsWellFormedForPrograms(Entry entry) throws Exception {
        String dataSources = new Run(entry, "dsns", "--json").out;
        assertEquals("[\n  {\"name\": \"Dätä\", \"scope\": \"user\", \"driver\": \"MariaDB Unicode\", \"installed\": true,"
                + " \"attributes\": {\"Driver\": \"MariaDB Unicode\"}},\n"
                + "  {\"name\": \"shared\", \"scope\": \"system\", \"driver\": \"SQLite3\", \"installed\": true,"
                + " \"attributes\": {\"Driver\": \"SQLite3\"}},\n"
                + "  {\"name\": \"orphan\", \"scope\": \"system\", \"driver\": \"Gone\", \"installed\": false,"
                + " \"attributes\": {\"Driver\": \"Gone\"}}\n]\n", dataSources);
        for (String[] args : List.of(new String[] {"--json", "drivers"}, new String[] {"dsns", "--json"},
                new String[] {"add", "x", "SQLite3", "Database=a\"b\\c", "--json"}, new String[] {"help", "--json"},
                new String[] {"add", "y", "SQLite3", "Note=\u0001\u00ff", "--json"}, new String[] {"--json", "doctor"})) {
            Run run = new Run(entry, args);
            Files.write(PrivateConfiguration.FOLDER.resolve("out.json"), run.out.getBytes(StandardCharsets.UTF_8));
            Processes.Result parsed = Processes.run("python3", "-m", "json.tool",
                    PrivateConfiguration.FOLDER.resolve("out.json").toString());
            assertEquals(0, parsed.exitCode, run.out + parsed);
        }
        assertTrue(new Run(entry, "show", "y").out.contains("Note=\u0001\u00ff\n"));
        assertTrue(new Run(entry, "--json", "show", "y").out.contains("\"Note\": \"\\u0001\u00ff\"}"));
    }

    @ParameterizedTest
    @EnumSource(Entry.class)
    void exitStatusesTellSuccessRefusalAndMisuseApart(Entry entry) {
        Run added = new Run(entry, "add", "demo", "SQLite3", "Database=/tmp/demo.db", "Timeout=9");
        assertEquals(0, added.status, added.err);
        assertEquals("Added demo (SQLite3)\n", added.out);

        Run removed = new Run(entry, "remove", "demo", "SQLite3");
        assertEquals(0, removed.status);
        Run again = new Run(entry, "remove", "demo", "SQLite3");
        assertEquals(1, again.status);
        assertEquals("Error trying to remove ODBC DataSource! Reason: no data source named demo in "
                + PrivateConfiguration.USER_SOURCES + "\n", again.err);
        Run unknownDriver = new Run(entry, "add", "x", "Nope");
        assertEquals(1, unknownDriver.status);
        assertEquals("Error trying to register ODBC DataSource! Reason: no driver named Nope is installed\n",
                unknownDriver.err);

        for (String[] misuse : List.of(new String[] {}, new String[] {"frob"}, new String[] {"drivers", "extra"},
                new String[] {"add", "x"}, new String[] {"add", "x", "SQLite3", "novalue"},
                new String[] {"add", "x", "SQLite3", "A=1;Driver=Other"}, new String[] {"dsns", "--frob"},
                new String[] {"add", "a;b", "SQLite3"}, new String[] {"remove", "n".repeat(33), "SQLite3"},
                new String[] {"add", "x", "SQLite3", "Driver=y"}, new String[] {"add", entry == Entry.JAR ? "Caf\uFFFD" : "Caf?",
                    "SQLite3"})) {
            Run run = new Run(entry, misuse);
            assertEquals(2, run.status, String.join(" ", misuse));
            assertEquals(1, run.err.split("\n").length, run.err);
            assertTrue(run.err.endsWith(" (see --help)\n"), run.err);
        }
        Run help = new Run(entry, "--help");
        assertEquals(0, help.status);
        assertEquals(new Run(entry, "help").out, help.out);
        assertTrue(help.out.startsWith("Usage: " + entry.program + " [OPTIONS] COMMAND [--] [ARGUMENTS]\n"), help.out);

        assertEquals("Added -h (SQLite3)\n", new Run(entry, "add", "--", "-h", "SQLite3").out);
        assertEquals(0, new Run(entry, "--json", "remove", "--", "-h", "SQLite3").status);
        assertEquals(2, new Run(entry, "remove", "-x", "SQLite3").status, "an option before --");
        assertEquals("{\"error\": \"unknown command frob (see --help)\", \"status\": 2}\n",
                new Run(entry, "--json", "frob", "--", "-h").err);
        Run gone = new Run(entry, "remove", "--json", "--", "-h", "SQLite3");
        assertEquals("{\"error\": \"Error trying to remove ODBC DataSource!\", \"reason\": \"no data source named -h in "
                + PrivateConfiguration.USER_SOURCES + "\", \"status\": 1}\n", gone.err);
    }

    @ParameterizedTest
    @EnumSource(Entry.class)
    void dataSourcesAreShownAndEditedInTheirScope(Entry entry) throws Exception {
        Files.write(PrivateConfiguration.USER_SOURCES, "[shared]\nDriver=SQLite3\n# note\nServer = a\nserver=b\n\n"
                .getBytes(StandardCharsets.UTF_8));
        String[][] steps = {
            {"show shared", "[shared]\nDriver=SQLite3\nServer=a\n"},
            {"show shared --system", "[shared]\nDriver=SQLite3\n"},
            {"dsns --user", "NAME    SCOPE  DRIVER\nshared  user   SQLite3\n"},
            {"set shared Server=c Port=5", "Changed shared (user)\n"},
            {"set --json shared --unset PORT", "{\"name\": \"shared\", \"scope\": \"user\", \"driver\": \"SQLite3\","
                + " \"installed\": true, \"attributes\": {\"Driver\": \"SQLite3\", \"Server\": \"c\"}}\n"},
            {"add sys SQLite3 A=1 --system", "Added sys (SQLite3)\n"},
            {"show sys --system", "[sys]\nDriver=SQLite3\nA=1\n"},
            {"remove sys SQLite3 --system", "Removed sys\n"},
        };
        for (String[] step : steps) {
            Run run = new Run(entry, step[0].split(" "));
            assertEquals(step[1], run.out, step[0] + ": " + run.err);
        }
        assertEquals("[shared]\nDriver=SQLite3\n# note\nServer = c\n\n", Files.readString(PrivateConfiguration.USER_SOURCES));
        for (String[] refused : new String[][] {{"show nope", "1", "No data source is named nope"},
                {"show shared --user --system", "2", "--user and --system exclude each other (see --help)"},
                {"set nope A=1", "1", "Error trying to configure ODBC DataSource! Reason: no data source named nope in "
                    + PrivateConfiguration.USER_SOURCES},
                {"set shared Driver=x", "2", "DataSource attribute text is invalid! Reason: the key Driver is the data"
                    + " source's own: register it again to change its driver (see --help)"},
                {"set shared", "2", "wrong arguments for set (see --help)"}}) {
            Run run = new Run(entry, refused[0].split(" "));
            assertEquals(refused[1] + " " + refused[2] + "\n", run.status + " " + run.err, refused[0]);
        }
    }

    @ParameterizedTest
    @EnumSource(Entry.class)
    void everyCommandIsDeclaredWithItsHelpAndRefusesOptionsItDoesNotTake(Entry entry) throws Exception {
        // Every command of the one declaration, as help --json lists them: name, usage, help, example.
        Files.writeString(PrivateConfiguration.FOLDER.resolve("help.json"), new Run(entry, "help", "--json").out);
        Processes.Result listed = Processes.run("python3", "-c", "import json, sys\nfor c in json.load(open(sys.argv[1]))"
                + "['commands']: print('\\t'.join([c['name'], c['usage'], c['help'], c['example']]))",
                PrivateConfiguration.FOLDER.resolve("help.json").toString());
        String whole = new Run(entry, "--help").out;
        assertEquals(24, listed.stdout.split("\n").length, listed.toString());
        for (String line : listed.stdout.split("\n")) {
            String[] command = line.split("\t");
            assertTrue(whole.contains("  " + command[1] + "\n      " + command[2] + "\n"), command[0]);
            assertTrue(command[3].startsWith(entry.program + " " + command[0].split(" ")[0]), command[3]);
            for (String asked : new String[] {"help " + command[0], command[0] + " --help", "-h " + command[0]}) {
                Run help = new Run(entry, asked.split(" "));
                assertEquals(0, help.status, asked);
                assertTrue(help.out.startsWith("Usage: " + entry.program + " [--json] " + command[1] + "\n" + command[2]
                        + "\n") && help.out.endsWith("Example: " + command[3] + "\n"), help.out);
            }
        }
        assertEquals(whole, new Run(entry, "help").out);
        for (String[] misuse : new String[][] {{"drivers --user", "drivers takes no option --user"},
                {"dsns --verbose", "dsns takes no option --verbose"}, {"show shared --unset A", "show takes no option --unset"},
                {"add x SQLite3 --unset A", "add takes no option --unset"}, {"help --system", "help takes no option --system"},
                {"help frob", "unknown command frob"}, {"remove x SQLite3 --frob", "unknown option --frob"}}) {
            Run run = new Run(entry, misuse[0].split(" "));
            assertEquals("2 " + misuse[1] + " (see --help)\n", run.status + " " + run.err, misuse[0]);
        }
    }

    @ParameterizedTest
    @EnumSource(Entry.class)
    void aChangeBesideOdbcinstsRewritesEndsWithAnAnswerNeverAStackTrace(Entry entry) throws Exception {
        java.nio.file.Path template = PrivateConfiguration.FOLDER.resolve("beside.ini");
        Files.writeString(template, "[byOdbcinst]\nDriver=SQLite3\n");
        Process rewriting = new ProcessBuilder("sh", "-c", "while :; do odbcinst -i -s -h -f " + template
                + " >/dev/null 2>&1; sleep 0.2; done").start();
        try {
            for (int i = 0; i < 50; i++) {
                Run run = new Run(entry, "set", "Dätä", "K" + i + "=" + i);
                assertTrue(run.status == 0 && run.out.startsWith("Changed Dätä")
                        || run.status == 1 && run.err.contains(" Reason: "), run.status + " " + run.out + run.err);
                assertFalse((run.out + run.err).contains("Exception"), run.out + run.err);
            }
        } finally {
            rewriting.destroyForcibly().waitFor();
        }
    }

    @Test
    void driverAttributesIgnoreAsciiLetterCaseAsOdbcKeywordsDo() {
        java.util.HashMap<String, String> attributes = new java.util.HashMap<>(Map.of("driver", "/lib.so",
                "Setup", "exact", "SETUP", "other", "Stra\u00dfe", "x"));
        ODBCDriver driver = new ODBCDriver("d", attributes);
        assertEquals("/lib.so", driver.getAttribute("Driver"));
        assertEquals("/lib.so", driver.getAttribute("DRIVER"));
        assertEquals("exact", driver.getAttribute("Setup"));
        assertEquals(null, driver.getAttribute("STRASSE"), "ASCII letters only");
        assertEquals(null, driver.getAttribute("driver2"));
    }

    @Test
    void whatTheNativesRaiseBecomesACheckedExceptionWithItsReason() {
        for (Object[] raised : new Object[][] {{"DataSource name is invalid!", ODBCException.Reason.INVALID_ARGUMENT},
                {"Error trying to remove ODBC DataSource!", ODBCException.Reason.REFUSED},
                {"Could not free ODBC environmental handle!", ODBCException.Reason.DRIVER_MANAGER},
                {"Could not read ODBC configuration!", ODBCException.Reason.CONFIGURATION_UNREADABLE}}) {
            Throwable cause = new Throwable("why");
            ODBCException e = ODBCException.from(new Throwable((String) raised[0], cause));
            assertEquals(raised[0], e.getMessage());
            assertEquals(raised[1], e.getReason());
            assertEquals(cause, e.getCause());
        }
        ODBCException refused = ODBCException.from(assertThrows(Throwable.class,
                () -> ODBC.unregisterDataSource("nowhere", "SQLite3")));
        assertEquals(ODBCException.Reason.REFUSED, refused.getReason());
        assertTrue(refused.getCause().getMessage().startsWith("no data source named nowhere"));
        assertThrows(UnsatisfiedLinkError.class, () -> ODBCException.from(new UnsatisfiedLinkError("x")));
        // The kind travels in the cause, whatever the message; the natives beside the four raise ODBCException.
        assertEquals(ODBCException.Reason.DRIVER_MANAGER, ODBCException.from(new Throwable("reworded",
                new ODBCException.Cause("why", ODBCException.Reason.DRIVER_MANAGER))).getReason());
        java.lang.reflect.Method configure = assertDoesNotThrow(() -> ODBC.class.getDeclaredMethod(
                "configureDataSourceIn", String.class, int.class, String[].class, String[].class));
        configure.setAccessible(true);
        Throwable direct = assertThrows(java.lang.reflect.InvocationTargetException.class,
                () -> configure.invoke(null, "nowhere", 1, new String[0], new String[0])).getCause();
        assertEquals(ODBCException.Reason.REFUSED, ((ODBCException) direct).getReason(), direct.toString());
    }

    @ParameterizedTest
    @EnumSource(Entry.class)
    void undecodableArgumentsAndAFailedOutputAreNeverTakenForSuccess(Entry entry) throws Exception {
        List<byte[]> before = PrivateConfiguration.snapshot();
        List<String> underC = entry.command();
        underC.addAll(List.of("add", "Caf\u00e9", "SQLite3"));
        Processes.Result refused = Processes.run(Map.of("LANG", "C", "LC_ALL", "C"), underC);
        // The JVM loses what it cannot decode, and says so; the program takes the bytes as they are.
        assertEquals(entry == Entry.JAR ? 2 : 0, refused.exitCode, refused.toString());
        assertEquals(entry == Entry.JAR, refused.stderr.contains("run with a UTF-8 locale"), refused.toString());
        List<byte[]> after = PrivateConfiguration.snapshot();
        for (int i = 0; entry == Entry.JAR && i < before.size(); i++) {
            assertEquals(new String(before.get(i), StandardCharsets.UTF_8), new String(after.get(i), StandardCharsets.UTF_8));
        }
        for (String json : new String[] {"", "--json"}) {
            List<String> command = entry.command();
            command.addAll(json.isEmpty() ? List.of("dsns") : List.of(json, "dsns"));
            Process full = new ProcessBuilder(command).redirectOutput(new File("/dev/full")).start();
            String stderr = new String(full.getErrorStream().readAllBytes(), StandardCharsets.UTF_8);
            assertEquals(1, full.waitFor(), stderr);
            assertEquals(json.isEmpty() ? "Could not write to standard output! Reason: No space left on device\n"
                    : "{\"error\": \"Could not write to standard output!\", \"reason\": \"No space left on device\","
                    + " \"status\": 1}\n", stderr);
        }
    }

    @ParameterizedTest
    @EnumSource(Entry.class)
    void anEmptyConfigurationSaysHowToAddADataSource(Entry entry) throws Exception {
        PrivateConfiguration.write(UnixOdbcRegistrationTest.DRIVERS, "", "");
        assertEquals("No data sources are configured. Add one with:\n  " + entry.program + " add NAME DRIVER [KEY=VALUE ...]\n"
                + "for instance: " + entry.program + " add demo SQLite3 Database=/tmp/demo.db\n", new Run(entry, "dsns").out);
        assertEquals("[]\n", new Run(entry, "dsns", "--json").out);
    }

    @ParameterizedTest
    @EnumSource(Entry.class)
    void faultsFoundByANewUserAreFixed(Entry entry) throws Exception {
        Files.writeString(PrivateConfiguration.DRIVERS, UnixOdbcRegistrationTest.DRIVERS + "[Missing]\nDriver=libri-reve-nowhere.so\n");
        Files.writeString(PrivateConfiguration.USER_SOURCES, "[Dätä]\nDriver=SQLite3\nPWD=s3cret\nclientsecret=abc\n\n"
                + "[ghost]\nDriver=NoSuchDriver\n");
        String folder = PrivateConfiguration.FOLDER.toString();
        String run = String.join(" ", entry.command());
        boolean root = "0".equals(Processes.run("id", "-u").stdout.trim());
        // Each: a shell command ($R the command line), its exit status, and what its standard output and error hold.
        String[][] cases = {
            {"$R test Dätä --timeout -5", "2", "the timeout must be positive: -5 (see --help)\n"},
            {"$R doctor", "1", "Driver=libri-reve-nowhere.so is found nowhere the loader searches for an ELF 64-bit"},
            {root ? "setpriv --reuid=65534 --regid=65534 --clear-groups $R trace on" : "$R trace on", root ? "1" : "0",
                root ? "cannot write " + PrivateConfiguration.DRIVERS + ": Permission denied; the driver manager's settings, [ODBC]"
                    + " of that file, which every program of every user reads, are changed as root" : "Trace=Yes"},
            {"$R --json dsns >/dev/full", "1", "{\"error\": \"Could not write to standard output!\", \"reason\": \"No space"},
            {"mkdir -p " + folder + "/ODBCDataSources && $R filedsn add sales SQLite3 && $R filedsn remove sales", "0", "Removed " + folder + "/ODBCDataSources/sales.dsn\n"},
            {"$R help --json | python3 -m json.tool", "0", "\"name\": \"drivers install\""},
            {"$R --json frob 2>&1 | python3 -m json.tool", "0", "\"status\": 2"},
            {"$R set Dätä --unset Nope", "0", "Nothing changed in Dätä (user): it has no entry Nope\n"},
            {"$R add x SQLite3 'Database=a;b'", "2", "Reason: the value of Database holds ;, which separates the entries"},
            {"$R dsns | : ; exit ${PIPESTATUS[0]}", "0", ""},
            {"$R --version", "0", "platforms: " + NativeLibrary.platform()},
            {"$R show Dätä", "0", "[Dätä]\nDriver=SQLite3\nPWD=********\nclientsecret=********\n"},
            {"$R show Dätä --reveal --json", "0", "\"PWD\": \"s3cret\", \"clientsecret\": \"abc\"}"},
            {"$R help drivers", "0", "Commands:\n  drivers install NAME KEY=VALUE ... [--user] [--replace]\n"},
            {"$R filedsn --help", "0", "  filedsn remove PATH\n      remove a file data source\n"},
            {"$R help filedsn show", "0", "Usage: " + entry.program + " [--json] filedsn show PATH\na file data source's entries\n"},
            {"$R --json add x", "2", "{\"error\": \"wrong arguments for add (see --help)\", \"status\": 2}\n"},
            {"$R --json test ghost", "1", "\"status\": \"driver_not_installed\", \"connected\": false"},
            {"$R test nosuch", "1", " ms: no data source is named nosuch, neither the user's nor the system's"},
            {"$R test Dätä --password-stdin </dev/null", "2", "--password-stdin found no line on standard input"},
            {"echo | $R test Dätä --password-stdin", "2", "--password-stdin found no line on standard input"},
            {"$R doctor --ignore driver.library-not-found:Missing --ignore datasource.driver-not-installed", "0",
                "secret.readable"},
            {"$R --json doctor --ignore driver.library-not-found", "1", "\"mend\": \"install the driver NoSuchDriver (ri-reve drivers install 'NoSuchDriver' Driver=PATH)\""},
        };
        for (String[] each : cases) {
            Processes.Result result = Processes.run(Map.of("R", run), List.of("bash", "-c", each[0]));
            assertEquals(each[1], Integer.toString(result.exitCode), each[0] + "\n" + result);
            assertTrue((result.stdout + result.stderr).contains(each[2]), each[0] + "\n" + result);
            assertTrue(!each[1].equals("0") || result.stderr.isEmpty(), each[0] + "\n" + result);
        }
    }

    @ParameterizedTest
    @EnumSource(Entry.class)
    void aStateIsExportedPlannedAndAppliedWithItsExitStatus(Entry entry) throws Exception {
        String state = "{\"version\": 1, \"dataSources\": [{\"name\": \"Dätä\", \"scope\": \"user\", \"entries\":"
                + " {\"Database\": \"/srv/d.db\", \"PWD\": {\"env\": \"RIREVE_TEST_PWD\"}}}]}";
        String file = PrivateConfiguration.FOLDER.resolve("state.json").toString();
        Files.writeString(Paths.get(file), state);
        String user = PrivateConfiguration.USER_SOURCES.toString();
        // Each: arguments, standard input, whether the secret's variable is set, exit status, what the output holds.
        String[][] cases = {
            {"export", "", "", "0", "\"dataSources\": [\n    {\n      \"name\": \"Dätä\",\n      \"scope\": \"user\""},
            {"plan -", state, "set", "0", "add   " + user + "  Dätä     PWD       (none) → ********\n"},
            {"plan " + file + " --diff", "", "set", "0", "[Dätä]\n Driver=MariaDB Unicode\n+Database=/srv/d.db\n+PWD=********\n"},
            {"--json plan " + file, "", "set", "0", "\"key\": \"Database\", \"before\": null, \"after\": \"/srv/d.db\", \"kind\": \"add\"}"},
            {"plan " + file, "", "", "1", "$.dataSources[0].entries.PWD: the environment variable RIREVE_TEST_PWD is not set"},
            {"apply - --check", state, "set", "0", "Would change 2 entries; nothing was written\n"},
            {"show Dätä", "", "", "0", "[Dätä]\nDriver=MariaDB Unicode\n"},
            {"apply " + file + " --json --diff", "", "set", "0", "{\"changed\": true, \"changes\": [{\"file\": \"" + user},
            {"show Dätä", "", "", "0", "[Dätä]\nDriver=MariaDB Unicode\nDatabase=/srv/d.db\nPWD=********\n"},
            {"--json apply " + file, "", "set", "0", "{\"changed\": false, \"changes\": [], \"restored\": [], \"failure\": null}\n"},
            {"export", "", "", "0", "\"PWD\": {\n          \"redacted\": true\n"},
            {"export --reveal", "", "", "0", "\"PWD\": \"s3cret-pw\""},
            {"apply -", "{\"version\": 2}", "set", "2", "Reason: $.version: must be 1, the version this library reads (see --help)"},
            {"plan -", "{\"version\":", "set", "2", "the state is not JSON: it stops being JSON at byte 12"},
            {"apply " + file + ".gone", "", "set", "2", "cannot read " + file + ".gone: No such file or directory"},
            {"plan", "", "", "2", "wrong arguments for plan (see --help)"},
            {"export --check", "", "", "2", "export takes no option --check"},
        };
        for (String[] each : cases) {
            Run run = new Run(entry, each[1], each[2].isEmpty() ? Map.of() : Map.of("RIREVE_TEST_PWD", "s3cret-pw"),
                    each[0].split(" "));
            assertEquals(each[3], Integer.toString(run.status), each[0] + "\n" + run.out + run.err);
            assertTrue((run.out + run.err).contains(each[4]), each[0] + "\n" + run.out + run.err);
            assertEquals(each[0].contains("--reveal"), run.out.contains("s3cret-pw"), each[0]);
        }
    }

    @Test
    void theMapOverloadWritesPairsInOrder() throws Exception {
        Map<String, String> attributes = new LinkedHashMap<>();
        attributes.put("Database", "/tmp/m.db");
        attributes.put("Note", "with spaces, and ü");
        ODBC.registerDataSource("viaMap", UnixOdbcRegistrationTest.SETUP_DRIVER, attributes);
        ODBC.registerDataSource("emptyMap", UnixOdbcRegistrationTest.SETUP_DRIVER, new LinkedHashMap<>());
        assertEquals(List.of(
                UnixOdbcRegistrationTest.setupCall(1, "DSN=viaMap;Database=/tmp/m.db;Note=with spaces, and ü"),
                UnixOdbcRegistrationTest.setupCall(1, "DSN=emptyMap;")),
                Files.readAllLines(UnixOdbcRegistrationTest.SETUP_LOG));
    }

    @Test
    void theMapOverloadRefusesWhatWouldChangeTheText() throws Exception {
        List<byte[]> before = PrivateConfiguration.snapshot();
        for (Map<String, String> bad : List.of(Map.of("A", "1;Driver=x"), Map.of("A;B", "1"), Map.of("A=B", "1"),
                Map.of("A", "1\u0000B=2"), Map.of("", "1"))) {
            assertThrows(IllegalArgumentException.class,
                    () -> ODBC.registerDataSource("x", UnixOdbcRegistrationTest.SETUP_DRIVER, bad), bad.toString());
        }
        Map<String, String> nullValue = new LinkedHashMap<>();
        nullValue.put("A", null);
        assertThrows(IllegalArgumentException.class, () -> ODBC.registerDataSource("x", "SQLite3", nullValue));
        assertFalse(Files.exists(UnixOdbcRegistrationTest.SETUP_LOG), "a refused map reached the installer");
        List<byte[]> after = PrivateConfiguration.snapshot();
        for (int i = 0; i < before.size(); i++) {
            assertTrue(java.util.Arrays.equals(before.get(i), after.get(i)));
        }
    }

    @Test
    void lookupsIgnoreAsciiLetterCaseAsTheDriverManager() throws ODBCException {
        assertEquals("MariaDB Unicode", ODBC.findDataSource("Dätä").getDriver().getDescription());
        assertEquals("Dätä", ODBC.findDataSource("dätä").getName());
        assertEquals(null, ODBC.findDataSource("DÄTÄ"), "only ASCII letters fold, as in unixODBC's comparisons");
        assertEquals(SQLITE, ODBC.findDriver("SQLite3").getAttribute("Driver"));
        assertEquals(SQLITE, ODBC.findDriver("sqlite3").getAttribute("DRIVER"));
    }
}
