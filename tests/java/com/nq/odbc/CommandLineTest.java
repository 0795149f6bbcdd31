package com.nq.odbc;

import static org.junit.jupiter.api.Assertions.assertDoesNotThrow;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** The command line and the Java API built on the natives, on the real unixODBC. */
class CommandLineTest {
    static final String SQLITE = PrivateConfiguration.driverLibrary("libsqlite3odbc.so");

    static final class Run {
        final int status;
        final String out;
        final String err;

        Run(String... args) {
            ByteArrayOutputStream out = new ByteArrayOutputStream();
            ByteArrayOutputStream err = new ByteArrayOutputStream();
            status = new Main(new PrintStream(out, true, StandardCharsets.UTF_8),
                    new PrintStream(err, true, StandardCharsets.UTF_8)).run(args);
            this.out = out.toString(StandardCharsets.UTF_8);
            this.err = err.toString(StandardCharsets.UTF_8);
        }
    }

    @BeforeEach
    void configure() throws Exception {
        PrivateConfiguration.write(UnixOdbcRegistrationTest.DRIVERS,
                "[shared]\nDriver=SQLite3\n\n[orphan]\nDriver=Gone\n", "[Dätä]\nDriver=MariaDB Unicode\n");
        Files.deleteIfExists(UnixOdbcRegistrationTest.SETUP_LOG);
    }

    @Test
    void tablesAreAlignedForPeople() throws Exception {
        Run drivers = new Run("drivers");
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
                + String.format(row, "Own", SQLITE, "-", "user\n"), new Run("drivers").out);
        Files.delete(PrivateConfiguration.FOLDER.resolve(".odbcinst.ini"));

        // Every attribute under its driver, in the library's column (as wide as the longest value).
        String verbose = new Run("drivers", "--verbose").out.replaceAll(" {2,}", "  ");
        assertTrue(verbose.startsWith("DRIVER  LIBRARY  USAGE  SCOPE\nSQLite3  " + SQLITE + "  1  system\n"
                + "  Description  SQLite3 ODBC Driver\n  Driver  " + SQLITE + "\n  UsageCount  1\n"
                + "PostgreSQL Unicode  "), verbose);

        assertEquals("NAME    SCOPE   DRIVER\nDätä    user    MariaDB Unicode\nshared  system  SQLite3\n"
                + "orphan  system  Gone (not installed)\n", new Run("dsns").out);
    }

    @Test
    void driversSettingsAndFileDataSourcesFromTheCommandLine() throws Exception {
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
            Run run = new Run(step[0].split(" "));
            assertEquals(step[1] + step[2], run.status + (run.status == 0 ? run.out : ""), step[0] + ": " + run.err);
            assertEquals(run.status != 0, !run.err.isEmpty(), step[0] + ": " + run.err);
        }
    }

    @Test
    void jsonIsWellFormedForPrograms() throws Exception {
        String dataSources = new Run("dsns", "--json").out;
        assertEquals("[\n  {\"name\": \"Dätä\", \"scope\": \"user\", \"driver\": \"MariaDB Unicode\", \"installed\": true,"
                + " \"attributes\": {\"Driver\": \"MariaDB Unicode\"}},\n"
                + "  {\"name\": \"shared\", \"scope\": \"system\", \"driver\": \"SQLite3\", \"installed\": true,"
                + " \"attributes\": {\"Driver\": \"SQLite3\"}},\n"
                + "  {\"name\": \"orphan\", \"scope\": \"system\", \"driver\": \"Gone\", \"installed\": false,"
                + " \"attributes\": {\"Driver\": \"Gone\"}}\n]\n", dataSources);
        for (String[] args : List.of(new String[] {"--json", "drivers"}, new String[] {"dsns", "--json"},
                new String[] {"add", "x", "SQLite3", "Database=a\"b\\c", "--json"})) {
            Run run = new Run(args);
            Files.write(PrivateConfiguration.FOLDER.resolve("out.json"), run.out.getBytes(StandardCharsets.UTF_8));
            Processes.Result parsed = Processes.run("python3", "-m", "json.tool",
                    PrivateConfiguration.FOLDER.resolve("out.json").toString());
            assertEquals(0, parsed.exitCode, run.out + parsed);
        }
        assertEquals("{\"a\\\"\\\\\": \"\\u0001\\ud800x\"}", Main.mapJson(Map.of("a\"\\", "\u0001\uD800x")));
    }

    @Test
    void exitStatusesTellSuccessRefusalAndMisuseApart() {
        Run added = new Run("add", "demo", "SQLite3", "Database=/tmp/demo.db", "Timeout=9");
        assertEquals(0, added.status, added.err);
        assertEquals("Added demo (SQLite3)\n", added.out);

        Run removed = new Run("remove", "demo", "SQLite3");
        assertEquals(0, removed.status);
        Run again = new Run("remove", "demo", "SQLite3");
        assertEquals(1, again.status);
        assertEquals("Error trying to remove ODBC DataSource! Reason: no data source named demo in "
                + PrivateConfiguration.USER_SOURCES + "\n", again.err);
        Run unknownDriver = new Run("add", "x", "Nope");
        assertEquals(1, unknownDriver.status);
        assertEquals("Error trying to register ODBC DataSource! Reason: no driver named Nope is installed\n",
                unknownDriver.err);

        for (String[] misuse : List.of(new String[] {}, new String[] {"frob"}, new String[] {"drivers", "extra"},
                new String[] {"add", "x"}, new String[] {"add", "x", "SQLite3", "novalue"},
                new String[] {"add", "x", "SQLite3", "A=1;Driver=Other"}, new String[] {"dsns", "--frob"},
                new String[] {"add", "a;b", "SQLite3"}, new String[] {"remove", "n".repeat(33), "SQLite3"},
                new String[] {"add", "x", "SQLite3", "Driver=y"}, new String[] {"add", "Caf\uFFFD", "SQLite3"})) {
            Run run = new Run(misuse);
            assertEquals(2, run.status, String.join(" ", misuse));
            assertEquals(1, run.err.split("\n").length, run.err);
            assertTrue(run.err.endsWith(" (see --help)\n"), run.err);
        }
        Run help = new Run("--help");
        assertEquals(0, help.status);
        assertEquals(Main.usageText(), help.out);

        assertEquals("Added -h (SQLite3)\n", new Run("add", "--", "-h", "SQLite3").out);
        assertEquals(0, new Run("--json", "remove", "--", "-h", "SQLite3").status);
        assertEquals(2, new Run("remove", "-x", "SQLite3").status, "an option before --");
        assertEquals("{\"error\": \"unknown command frob (see --help)\", \"status\": 2}\n",
                new Run("--json", "frob", "--", "-h").err);
        Run gone = new Run("remove", "--json", "--", "-h", "SQLite3");
        assertEquals("{\"error\": \"Error trying to remove ODBC DataSource!\", \"reason\": \"no data source named -h in "
                + PrivateConfiguration.USER_SOURCES + "\", \"status\": 1}\n", gone.err);
    }

    @Test
    void dataSourcesAreShownAndEditedInTheirScope() throws Exception {
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
            Run run = new Run(step[0].split(" "));
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
            Run run = new Run(refused[0].split(" "));
            assertEquals(refused[1] + " " + refused[2] + "\n", run.status + " " + run.err, refused[0]);
        }
    }

    @Test
    void everyCommandIsDeclaredWithItsHelpAndRefusesOptionsItDoesNotTake() {
        for (Main.Command command : Main.COMMANDS) {
            assertTrue(Main.usageText().contains("  " + command.usage() + "\n      " + command.help + "\n"), command.name);
            for (String[] asked : new String[][] {{"help", command.name}, {command.name, "--help"}, {"-h", command.name}}) {
                Run help = new Run(asked);
                assertEquals(0, help.status, String.join(" ", asked));
                assertTrue(help.out.startsWith("Usage: java -jar ri-reve.jar [--json] " + command.usage() + "\n"
                        + command.help + "\n"), help.out);
            }
        }
        assertEquals(Main.usageText(), new Run("help").out);
        for (String[] misuse : new String[][] {{"drivers --user", "drivers takes no option --user"},
                {"dsns --verbose", "dsns takes no option --verbose"}, {"show shared --unset A", "show takes no option --unset"},
                {"add x SQLite3 --unset A", "add takes no option --unset"}, {"help --system", "help takes no option --system"},
                {"help frob", "unknown command frob"}, {"remove x SQLite3 --frob", "unknown option --frob"}}) {
            Run run = new Run(misuse[0].split(" "));
            assertEquals("2 " + misuse[1] + " (see --help)\n", run.status + " " + run.err, misuse[0]);
        }
    }

    @Test
    void aChangeBesideOdbcinstsRewritesEndsWithAnAnswerNeverAStackTrace() throws Exception {
        java.nio.file.Path template = PrivateConfiguration.FOLDER.resolve("beside.ini");
        Files.writeString(template, "[byOdbcinst]\nDriver=SQLite3\n");
        Process rewriting = new ProcessBuilder("sh", "-c", "while :; do odbcinst -i -s -h -f " + template
                + " >/dev/null 2>&1; sleep 0.2; done").start();
        try {
            for (int i = 0; i < 50; i++) {
                Run run = new Run("set", "Dätä", "K" + i + "=" + i);
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

    @Test
    void undecodableArgumentsAndAFailedOutputAreNeverTakenForSuccess() throws Exception {
        List<byte[]> before = PrivateConfiguration.snapshot();
        String jar = System.getProperty("rireve.test.classpath").split(":")[1];
        String library = "-Djava.library.path=" + System.getProperty("java.library.path");
        Processes.Result underC = Processes.run(Map.of("LANG", "C", "LC_ALL", "C"), List.of(Processes.java().get(0),
                library, "-jar", jar, "add", "Caf\u00e9", "SQLite3"));
        assertEquals(2, underC.exitCode, underC.toString());
        assertTrue(underC.stderr.contains("run with a UTF-8 locale"), underC.toString());
        List<byte[]> after = PrivateConfiguration.snapshot();
        for (int i = 0; i < before.size(); i++) {
            assertEquals(new String(before.get(i), StandardCharsets.UTF_8), new String(after.get(i), StandardCharsets.UTF_8));
        }
        Process full = new ProcessBuilder(Processes.java().get(0), library, "-jar", jar, "dsns")
                .redirectOutput(new java.io.File("/dev/full")).start();
        String stderr = new String(full.getErrorStream().readAllBytes(), StandardCharsets.UTF_8);
        assertEquals(1, full.waitFor(), stderr);
        assertEquals("Could not write to standard output\n", stderr);
    }

    @Test
    void anEmptyConfigurationSaysHowToAddADataSource() throws Exception {
        PrivateConfiguration.write(UnixOdbcRegistrationTest.DRIVERS, "", "");
        assertEquals(Main.NO_DATA_SOURCES, new Run("dsns").out);
        assertEquals("[]\n", new Run("dsns", "--json").out);
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
