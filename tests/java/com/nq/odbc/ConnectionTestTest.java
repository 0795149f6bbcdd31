package com.nq.odbc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.nio.file.Path;
import java.time.Duration;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.TreeMap;
import java.util.UUID;
import org.junit.jupiter.api.AfterAll;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/**
 * Connection tests and the configuration's diagnosis against real servers
 * (PostgreSQL and MariaDB of the test's own), Debian's drivers, and drivers
 * made to crash, hang, or miss a dependency.
 */
class ConnectionTestTest {
    static final String PASSWORD = "Pw-" + UUID.randomUUID().toString().substring(0, 12) + "!kq";
    static final Duration TIMEOUT = Duration.ofSeconds(20);
    // Debian's i386 SQLite3 driver; where the i386 packages could not be
    // installed, a file with the header of a 32-bit x86 library stands in.
    static final String I386_SQLITE = i386Library();
    static DatabaseServers servers;
    static Path database;

    static String i386Library() {
        Path debian = java.nio.file.Paths.get("/usr/lib/i386-linux-gnu/odbc/libsqlite3odbc.so");
        if (Files.exists(debian)) {
            return debian.toString();
        }
        byte[] header = new byte[52];
        byte[] start = {0x7f, 'E', 'L', 'F', 1, 1, 1};  // 32-bit, little-endian, version 1
        System.arraycopy(start, 0, header, 0, start.length);
        header[16] = 3;  // a shared object
        header[18] = 3;  // for x86
        header[20] = 1;
        header[40] = 52;  // the header's size
        try {
            return Files.write(PrivateConfiguration.FOLDER.resolve("libi386.so"), header).toString();
        } catch (java.io.IOException e) {
            throw new java.io.UncheckedIOException(e);
        }
    }

    @BeforeAll
    static void startServers() throws Exception {
        servers = DatabaseServers.start(PASSWORD);
        database = PrivateConfiguration.FOLDER.resolve("good.db");
        Path notElf = PrivateConfiguration.FOLDER.resolve("not-a-library.so");
        Files.writeString(notElf, "[ODBC]\n");
        PrivateConfiguration.write(String.join("\n",
                "[SQLite3]", "Driver=" + PrivateConfiguration.driverLibrary("libsqlite3odbc.so"),
                "[PostgreSQL]", "Driver=psqlodbcw.so",
                "[MariaDB]", "Driver=" + PrivateConfiguration.driverLibrary("libmaodbc.so"),
                "[Misbehaving]", "Driver=" + System.getProperty("rireve.test.misbehavingDriver"),
                "[NeedsGone]", "Driver=" + System.getProperty("rireve.test.driverNeedingGone"),
                "[Missing]", "Driver=/nonexistent/libnothing.so",
                "[I386]", "Driver=" + I386_SQLITE,
                "[NotElf]", "Driver=" + notElf,
                "[NoEntryPoints]", "Driver=" + System.getProperty("rireve.test.setupLibrary"),
                "[NoLibrary]", "Description=nothing to load", ""),
            String.join("\n",
                "[sqlite]", "Driver=SQLite3", "Database=" + database,
                "[postgres]", "Driver=PostgreSQL", "Servername=" + servers.postgresSocketFolder, "Database=postgres",
                "Username=rireve", "Password=" + PASSWORD,
                "[postgres-down]", "Driver=PostgreSQL", "Servername=" + servers.folder.resolve("gone"),
                "[mariadb]", "Driver=MariaDB", "Socket=" + servers.mariadbSocket, "Database=rireve", "User=rireve",
                "Password=" + PASSWORD,
                "[mariadb-down]", "Driver=MariaDB", "Socket=" + servers.folder.resolve("gone.sock"),
                "[crashing]", "Driver=Misbehaving",
                "[hanging]", "Driver=Misbehaving",
                "[needs-gone]", "Driver=NeedsGone",
                "[missing]", "Driver=Missing",
                "[word-size]", "Driver=I386",
                "[orphan]", "Driver=Nothing",
                "[shadowed]", "Driver=SQLite3", "Database=" + database, ""),
            "[shadowed]\nDriver=Missing\n");
    }

    @AfterAll
    static void stopServers() throws Exception {
        servers.close();
    }

    @ParameterizedTest(name = "{0} as {1}: {2} {3}")
    @CsvSource({
        "sqlite, , CONNECTED, , SQLite",
        "postgres, , CONNECTED, , PostgreSQL",
        "mariadb, , CONNECTED, , MariaDB",
        "postgres, wrong, FAILED, 08001, password authentication failed for user \"rireve\"",
        "mariadb, wrong, FAILED, 28000, Access denied for user 'rireve'@'localhost'",
        "postgres-down, , FAILED, 08001, No such file or directory",
        "mariadb-down, , FAILED, HY000, Can't connect to local server through socket",
        "missing, , FAILED, 01000, Can't open lib '/nonexistent/libnothing.so'",
        "word-size, , FAILED, 01000, Can't open lib",
        "needs-gone, , FAILED, 01000, Can't open lib",
        "orphan, , DRIVER_NOT_INSTALLED, , the system data source orphan names the driver Nothing",
        "nowhere, , NOT_FOUND, , no data source is named nowhere",
        "crashing, , CRASHED, , signal 11 (SIGSEGV)",
    })
    void testsEachDataSourceWithTheServersOwnAnswer(String name, String user, ConnectionTest.Status status,
            String sqlState, String expected) throws Exception {
        Credentials credentials = user == null ? null : Credentials.of("rireve", "wrong-password".toCharArray());
        ConnectionTest test = ODBC.testDataSource(name, null, credentials, TIMEOUT);
        assertEquals(status, test.getStatus(), test::toString);
        if (status == ConnectionTest.Status.CONNECTED) {
            assertEquals(expected, test.getDbmsName(), test::toString);
            assertTrue(test.getDbmsVersion().matches("[0-9]+\\.[0-9.]+.*"), test::toString);
            assertFalse(test.getDriverName().isEmpty() || test.getDriverVersion().isEmpty(), test::toString);
            return;
        }
        assertTrue(test.getReason().contains(expected), test::toString);
        if (sqlState != null) {
            assertEquals(sqlState, test.getDiagnostics().get(0).getSqlState(), test::toString);
            assertTrue(test.getDiagnostics().get(0).getMessage().contains(expected), test::toString);
        }
    }

    @Test
    void aHangingDriverIsGivenUpAtTheTimeoutAndTheVmGoesOn() throws Exception {
        long started = System.nanoTime();
        ConnectionTest test = ODBC.testDataSource("hanging", null, null, Duration.ofSeconds(2));
        long millis = (System.nanoTime() - started) / 1_000_000;
        assertEquals(ConnectionTest.Status.TIMED_OUT, test.getStatus(), test::toString);
        assertTrue(millis >= 2000 && millis < 3000, millis + " ms");
        assertTrue(ODBC.testDataSource("sqlite", null, null, TIMEOUT).isConnected());
        // The drivers were loaded by the child processes alone.
        String maps = Files.readString(Path.of("/proc/self/maps"));
        for (String library : List.of("misbehaving", "libsqlite3odbc", "psqlodbc", "libmaodbc")) {
            assertFalse(maps.contains(library), library);
        }
    }

    @Test
    void aScopeTestsTheDataSourceConfiguredThereEvenWhenAUserOneHidesIt() throws Exception {
        assertEquals(ConnectionTest.Status.CONNECTED,
                ODBC.testDataSource("shadowed", DataSource.Scope.SYSTEM, null, TIMEOUT).getStatus());
        assertEquals("01000", ODBC.testDataSource("shadowed", DataSource.Scope.USER, null, TIMEOUT)
                .getDiagnostics().get(0).getSqlState());
        assertEquals("01000", ODBC.testDataSource("shadowed", null, null, TIMEOUT)
                .getDiagnostics().get(0).getSqlState());
        ConnectionTest absent = ODBC.testDataSource("sqlite", DataSource.Scope.USER, null, TIMEOUT);
        assertEquals(ConnectionTest.Status.NOT_FOUND, absent.getStatus());
        assertEquals("no user data source is named sqlite", absent.getReason());
    }

    @Test
    void whatTheConfigurationSaysIsToldBeforeTheDriverManagerIsCalled() throws Exception {
        String before = Files.readString(PrivateConfiguration.USER_SOURCES);
        Files.writeString(PrivateConfiguration.USER_SOURCES, before + "\n[ghost]\nDriver=NoSuchDriver\n");
        try {
            Object[][] cases = {
                {"nowhere", null, ConnectionTest.Status.NOT_FOUND,
                    "no data source is named nowhere, neither the user's nor the system's"},
                {"nowhere", DataSource.Scope.SYSTEM, ConnectionTest.Status.NOT_FOUND,
                    "no system data source is named nowhere"},
                {"ghost", null, ConnectionTest.Status.DRIVER_NOT_INSTALLED,
                    "the user data source ghost names the driver NoSuchDriver, which is not installed"},
                {"GHOST", DataSource.Scope.USER, ConnectionTest.Status.DRIVER_NOT_INSTALLED,
                    "the user data source GHOST names the driver NoSuchDriver, which is not installed"},
                {"ghost", DataSource.Scope.SYSTEM, ConnectionTest.Status.NOT_FOUND, "no system data source is named ghost"},
            };
            for (Object[] each : cases) {
                ConnectionTest test = ODBC.testDataSource((String) each[0], (DataSource.Scope) each[1], null, TIMEOUT);
                assertEquals(each[2], test.getStatus(), test::toString);
                assertEquals(each[3], test.getReason());
                assertTrue(test.getElapsed().toMillis() < 1000, "no child process, no driver manager");
            }
        } finally {
            Files.writeString(PrivateConfiguration.USER_SOURCES, before);
        }
    }

    @Test
    void connectionStringsFileDataSourcesAndTheInProcessTestAgree() throws Exception {
        Path file = PrivateConfiguration.FOLDER.resolve("sqlite.dsn");
        Files.writeString(file, "[ODBC]\nDRIVER=SQLite3\nDatabase=" + database + "\n");
        String direct = "DRIVER={SQLite3};Database=" + database;
        List<String> seen = new ArrayList<>();
        for (ConnectionTest test : List.of(ODBC.testConnection("FILEDSN=" + file, TIMEOUT),
                ODBC.testConnection(direct, TIMEOUT),
                ODBC.testConnection(direct, TIMEOUT, ConnectionTest.Isolation.IN_PROCESS),
                ODBC.testConnection("DSN=postgres", TIMEOUT))) {
            assertTrue(test.isConnected(), test::toString);
            seen.add(test.getDbmsName());
        }
        assertEquals(List.of("SQLite", "SQLite", "SQLite", "PostgreSQL"), seen);
    }

    @Test
    void aPasswordNeverAppearsInAResultOrOutputEvenWhereTheDriverEchoesIt() throws Exception {
        // psqlodbc names the socket folder in its message: here it holds the password.
        ConnectionTest echoed = ODBC.testConnection("DRIVER={PostgreSQL};Servername=/nonexistent/" + PASSWORD
                + ";PWD=" + PASSWORD, TIMEOUT);
        assertTrue(echoed.getReason().contains("/nonexistent/****"), echoed::toString);
        ConnectionTest refused = ODBC.testDataSource("postgres", null, Credentials.of("rireve",
                ("x" + PASSWORD).toCharArray()), TIMEOUT);
        assertEquals(ConnectionTest.Status.FAILED, refused.getStatus());
        for (String args : List.of("--json test postgres --user-name rireve --password-stdin",
                "test mariadb --password-stdin", "--json test --connection-string DSN=postgres;PWD=" + PASSWORD)) {
            CommandLineTest.Run run = new CommandLineTest.Run(CommandLineTest.Entry.NATIVE, "y" + PASSWORD + "\n", Map.of(),
                    args.split(" "));
            int status = run.status;
            String printed = run.out + run.err;
            assertFalse(printed.contains(PASSWORD), printed);
            assertEquals(args.startsWith("--json test --") ? 0 : 1, status, printed);
        }
        assertFalse(refused.toString().contains(PASSWORD) || refused.getDiagnostics().toString().contains(PASSWORD));
        assertFalse(Credentials.of("rireve", PASSWORD.toCharArray()).toString().contains(PASSWORD));
    }

    @Test
    void theDoctorFindsEachFaultAndLoadsNothing() throws Exception {
        // The configuration's files, the module folder and stored passwords have cases of their own.
        Diagnosis diagnosis = ODBC.diagnose("config.file", "driver.unregistered", "secret.readable");
        Map<String, String> found = new TreeMap<>();
        for (Diagnosis.Finding finding : diagnosis.getFindings()) {
            found.merge(finding.getSubject(), finding.getCode(), (a, b) -> a + " " + b);
        }
        Map<String, String> expected = new TreeMap<>(Map.ofEntries(
                Map.entry("SQLite3", "driver.ok"), Map.entry("PostgreSQL", "driver.ok"),
                Map.entry("MariaDB", "driver.ok"), Map.entry("Misbehaving", "driver.ok"),
                Map.entry("NeedsGone", "driver.dependency-missing"), Map.entry("Missing", "driver.library-not-found"),
                Map.entry("I386", "driver.word-size-mismatch"), Map.entry("NotElf", "driver.library-invalid"),
                Map.entry("NoEntryPoints", "driver.entry-points-missing"), Map.entry("NoLibrary", "driver.no-library"),
                Map.entry("sqlite", "datasource.ok"), Map.entry("postgres", "datasource.ok"),
                Map.entry("postgres-down", "datasource.ok"), Map.entry("mariadb", "datasource.ok"),
                Map.entry("mariadb-down", "datasource.ok"), Map.entry("crashing", "datasource.ok"),
                Map.entry("hanging", "datasource.ok"), Map.entry("needs-gone", "datasource.driver-unhealthy"),
                Map.entry("missing", "datasource.driver-unhealthy"), Map.entry("word-size", "datasource.driver-unhealthy"),
                Map.entry("orphan", "datasource.driver-not-installed"),
                Map.entry("shadowed", "datasource.driver-unhealthy datasource.hidden datasource.ok")));
        assertEquals(expected, found);
        assertTrue(diagnosis.hasErrors());
        String reasons = diagnosis.getFindings().toString();
        assertTrue(reasons.contains("Driver=" + I386_SQLITE + " is ELF 32-bit x86, this program ELF 64-bit x86-64"), reasons);
        assertTrue(reasons.contains("needs libgone.so (needed by " + System.getProperty("rireve.test.driverNeedingGone")
                + "), which the loader does not find"), reasons);
        assertFalse(Files.readString(Path.of("/proc/self/maps")).contains("libmaodbc"));
        CommandLineTest.Run run = new CommandLineTest.Run(CommandLineTest.Entry.NATIVE, "--json", "doctor");
        int status = run.status;
        String printed = run.out;
        assertEquals(1, status, printed);
        long errors = diagnosis.getFindings().stream()
                .filter(finding -> finding.getSeverity() == Diagnosis.Severity.ERROR).count();
        assertTrue(printed.startsWith("{\"errors\": " + errors + ", \"warnings\": ") && printed.contains("\"severity\": \"error\", "
                + "\"code\": \"driver.word-size-mismatch\", \"subject\": \"I386\", \"reason\": \"Driver="), printed);
    }
}
