package com.nq.odbc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNotSame;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.util.Arrays;
import java.util.List;
import java.util.Map;
import java.util.stream.Collectors;
import org.junit.jupiter.api.Test;

/** Listings through the real unixODBC, compared with what its own tool shows. */
class UnixOdbcListingTest {
    static final String THREE_DRIVERS = "[SQLite3]\n"
            + "Description=SQLite3 ODBC Driver\n"
            + "Driver=" + PrivateConfiguration.driverLibrary("libsqlite3odbc.so") + "\n"
            + "UsageCount=1\n"
            + "\n"
            + "[PostgreSQL Unicode]\n"
            + "Description=PostgreSQL ODBC driver (Unicode version)\n"
            + "Driver=" + PrivateConfiguration.driverLibrary("psqlodbcw.so") + "\n"
            + "Debug=0\n"
            + "CommLog=1\n"
            + "\n"
            + "[MariaDB Unicode]\n"
            + "Driver=" + PrivateConfiguration.driverLibrary("libmaodbc.so") + "\n"
            + "Description=MariaDB Connector/ODBC(Unicode)\n"
            + "Threading=0\n";

    @Test
    void listsExactlyWhatTheDriverManagerHolds() throws Exception {
        PrivateConfiguration.write(THREE_DRIVERS,
                "[warehouse]\nDriver=PostgreSQL Unicode\nServername=localhost\n\n"
                        + "[shop]\nDriver=MariaDB Unicode\n\n"
                        + "[orphan]\nDriver=Uninstalled Driver\n",
                "[notes]\nDriver=SQLite3\nDatabase=/tmp/notes.db\n\n[cache]\nDriver=SQLite3\n");

        ODBCDriver[] drivers = ODBC.getDrivers();
        assertEquals(PrivateConfiguration.odbcinstSections("-d"), descriptions(drivers));
        for (ODBCDriver driver : drivers) {
            assertEquals(PrivateConfiguration.odbcinstSection("-d", driver.getDescription()), driver.getAttributes(),
                    driver.getDescription());
        }

        DataSource[] dataSources = ODBC.getDataSources();
        List<String> names = Arrays.stream(dataSources).map(DataSource::getName).collect(Collectors.toList());
        assertEquals(PrivateConfiguration.odbcinstSections("-s"), names);
        assertEquals(List.of("notes", "cache", "warehouse", "shop", "orphan"), names, "user sources first");
        Map<String, ODBCDriver> byDescription = Arrays.stream(drivers)
                .collect(Collectors.toMap(ODBCDriver::getDescription, d -> d));
        for (DataSource dataSource : dataSources) {
            String driverName = PrivateConfiguration.odbcinstSection("-s", dataSource.getName()).get("Driver");
            assertEquals(byDescription.get(driverName), dataSource.getDriver(), dataSource.getName());
        }
        assertNull(dataSources[4].getDriver());
        assertNotSame(dataSources[0].getDriver(), dataSources[1].getDriver());
    }

    @Test
    void emptyConfigurationListsNothing() throws Exception {
        PrivateConfiguration.write("", "", "");
        assertEquals(0, ODBC.getDrivers().length);
        assertEquals(0, ODBC.getDataSources().length);
        Files.delete(PrivateConfiguration.USER_SOURCES);
        assertEquals(0, ODBC.getDataSources().length);
    }

    @Test
    void nonAsciiNamesWrittenByAnotherToolAreListedUnchanged() throws Exception {
        PrivateConfiguration.write(THREE_DRIVERS, "", "");
        String name = "Dätä \uD83D\uDE00 ñ";
        java.nio.file.Path template = PrivateConfiguration.FOLDER.resolve("template.ini");
        Files.write(template, ("[" + name + "]\nDriver=SQLite3\nDatabase=/tmp/x.db\n").getBytes("UTF-8"));
        Processes.Result installed = Processes.run("odbcinst", "-i", "-s", "-h", "-f", template.toString());
        assertEquals(0, installed.exitCode, installed.toString());

        DataSource[] dataSources = ODBC.getDataSources();
        assertEquals(1, dataSources.length);
        assertEquals(name, dataSources[0].getName());
        assertEquals(PrivateConfiguration.odbcinstSections("-s"), List.of(dataSources[0].getName()));
        assertNotNull(dataSources[0].getDriver());
    }

    @Test
    void attributeValuesKeepTheDriverManagersText() throws Exception {
        PrivateConfiguration.write("[Odd]\nDriver=" + PrivateConfiguration.driverLibrary("libsqlite3odbc.so")
                + "\nOptions=a=b=c\nSpaced = with spaces \nEmpty=\n", "", "");
        ODBCDriver odd = ODBC.getDrivers()[0];
        // Every "=" ends a key, as the driver manager's lists have always been read.
        assertEquals("c", odd.getAttribute("b"));
        assertNull(odd.getAttribute("Options"));
        assertEquals("with spaces", odd.getAttribute("Spaced"));
        assertEquals("", odd.getAttribute("Empty"));
    }

    /** A typed method: its only checked exception is ODBCException, so a catch of it compiles. */
    interface Typed {
        Object call() throws ODBCException;
    }

    @Test
    void everyTypedMethodLooksUpAsTheDriverManagerAndChangesOnlyAGivenScope() throws Exception {
        PrivateConfiguration.write(THREE_DRIVERS, "[Shared]\nDriver=SQLite3\nDatabase=/tmp/system.db\n",
                "[AppDb]\nDriver=SQLite3\nDATABASE=/tmp/app.db\n\n[shared]\nDriver=SQLite3\n");
        Object[][] lookups = {
            {"findDataSource(name)", (Typed) () -> ODBC.findDataSource("APPDB").getName(), "AppDb"},
            {"findDataSource(name, null)", (Typed) () -> ODBC.findDataSource("appdb", null).getScope(),
                DataSource.Scope.USER},
            {"a user data source first", (Typed) () -> ODBC.findDataSource("SHARED", null).getScope(),
                DataSource.Scope.USER},
            {"dataSources(null)", (Typed) () -> ODBC.dataSources((DataSource.Scope) null).size(), 3},
            {"an entry's key", (Typed) () -> ODBC.findDataSource("AppDb", null).getAttribute("Database"), "/tmp/app.db"},
            {"findDriver", (Typed) () -> ODBC.findDriver("mariadb UNICODE").getAttribute("threading"), "0"},
            {"absent data source", (Typed) () -> ODBC.findDataSource("nowhere"), null},
            {"absent in a scope", (Typed) () -> ODBC.findDataSource("AppDb", DataSource.Scope.SYSTEM), null},
            {"absent driver", (Typed) () -> ODBC.findDriver("nowhere"), null},
            {"a null name", (Typed) () -> ODBC.findDataSource(null, null), null},
        };
        for (Object[] lookup : lookups) {
            assertEquals(lookup[2], ((Typed) lookup[1]).call(), (String) lookup[0]);
        }
        List<byte[]> before = PrivateConfiguration.snapshot();
        Map<String, String> none = Map.of();
        Typed[] changes = {
            () -> ODBC.configureDataSource("AppDb", null, none, null),
            () -> ODBC.registerDataSource("x", "SQLite3", none, null),
            () -> { ODBC.unregisterDataSource("AppDb", "SQLite3", null); return null; },
            () -> ODBC.installDriver("D", Map.of("Driver", "d.so"), null),
            () -> ODBC.installDriver("D", Map.of("Driver", "d.so"), null, true),
            () -> ODBC.removeDriver("SQLite3", null, false),
            () -> ODBC.configureDriver("SQLite3", null, none, null),
        };
        for (Typed change : changes) {
            assertEquals("scope", assertThrows(NullPointerException.class, change::call).getMessage());
        }
        assertSameBytes(before, PrivateConfiguration.snapshot());
    }

    @Test
    void everyTypedMethodRaisesOdbcExceptionWithItsReasonAndCause() throws Exception {
        PrivateConfiguration.write(THREE_DRIVERS, "", "[AppDb]\nDriver=SQLite3\n");
        java.nio.file.Path nowhere = PrivateConfiguration.FOLDER.resolve("nowhere");
        Object[][] failures = {
            {(Typed) () -> ODBC.configureDataSource("nowhere", DataSource.Scope.USER, Map.of("A", "1"), null),
                "Error trying to configure ODBC DataSource!", ODBCException.Reason.REFUSED},
            {(Typed) () -> ODBC.registerDataSource("a;b", "SQLite3", Map.of(), DataSource.Scope.USER),
                "DataSource name is invalid!", ODBCException.Reason.INVALID_ARGUMENT},
            {(Typed) () -> ODBC.registerDataSource("x", "SQLite3", Map.of("A", "a\nb"), DataSource.Scope.USER),
                "DataSource attribute text is invalid!", ODBCException.Reason.INVALID_ARGUMENT},
            {(Typed) () -> { ODBC.unregisterDataSource("nowhere", "SQLite3", DataSource.Scope.USER); return null; },
                "Error trying to remove ODBC DataSource!", ODBCException.Reason.REFUSED},
            {(Typed) () -> ODBC.testDataSource(null, null, null, null), "DataSource name is null!",
                ODBCException.Reason.INVALID_ARGUMENT},
            {(Typed) () -> ODBC.testConnection(null, null), "Connection string is null!",
                ODBCException.Reason.INVALID_ARGUMENT},
            {(Typed) () -> ODBC.installDriver("a]b", Map.of("Driver", "d.so"), DataSource.Scope.USER),
                "Driver name is invalid!", ODBCException.Reason.INVALID_ARGUMENT},
            {(Typed) () -> ODBC.removeDriver("nowhere", DataSource.Scope.SYSTEM, false),
                "Error trying to remove ODBC driver!", ODBCException.Reason.REFUSED},
            {(Typed) () -> ODBC.configureDriver("nowhere", DataSource.Scope.SYSTEM, Map.of("A", "1"), null),
                "Error trying to configure ODBC driver!", ODBCException.Reason.REFUSED},
            {(Typed) () -> ODBC.configureDriverManager(Map.of("[A", "1"), null),
                "DataSource attribute text is invalid!", ODBCException.Reason.INVALID_ARGUMENT},
            {(Typed) () -> ODBC.fileDataSources(nowhere), "Could not read ODBC file data source!",
                ODBCException.Reason.CONFIGURATION_UNREADABLE},
            {(Typed) () -> ODBC.readFileDataSource(nowhere.resolve("x.dsn")), "Could not read ODBC file data source!",
                ODBCException.Reason.CONFIGURATION_UNREADABLE},
            {(Typed) () -> ODBC.writeFileDataSource((java.nio.file.Path) null, Map.of()),
                "File data source path is null!", ODBCException.Reason.INVALID_ARGUMENT},
            {(Typed) () -> { ODBC.removeFileDataSource(nowhere.resolve("x.dsn")); return null; },
                "Error trying to change ODBC file data source!", ODBCException.Reason.REFUSED},
        };
        for (Object[] failure : failures) {
            try {
                ((Typed) failure[0]).call();
                throw new AssertionError("no failure: " + failure[1]);
            } catch (ODBCException e) {
                assertEquals(failure[1], e.getMessage());
                assertEquals(failure[2], e.getReason(), e.getMessage());
                assertTrue(e.getCause() != null && !e.getCause().getMessage().isEmpty(), e.getMessage());
            }
        }
        // A file the driver manager cannot read fails every read, with the file named.
        Files.delete(PrivateConfiguration.DRIVERS);
        Files.createDirectory(PrivateConfiguration.DRIVERS);
        Typed[] reads = {ODBC::drivers, () -> ODBC.findDriver("SQLite3"), ODBC::driverManagerSettings,
            () -> ODBC.dataSources(), () -> ODBC.findDataSource("AppDb")};
        try {
            for (Typed read : reads) {
                ODBCException e = assertThrows(ODBCException.class, read::call);
                assertEquals(ODBCException.Reason.CONFIGURATION_UNREADABLE, e.getReason(), e.toString());
                assertTrue(e.getCause().getMessage().contains(PrivateConfiguration.DRIVERS.toString()),
                        e.getCause().getMessage());
            }
        } finally {
            Files.delete(PrivateConfiguration.DRIVERS);
        }
    }

    @Test
    void theDoctorTellsEverythingItCanAndLeavesOutWhatIsKnown() throws Exception {
        PrivateConfiguration.write(THREE_DRIVERS, "[sys]\nDriver=MariaDB Unicode\n",
                "[pw]\nDriver=SQLite3\nPWD=hunter2\n\n[ghost]\nDriver=SQLite 3\n");
        java.nio.file.Path user = PrivateConfiguration.USER_SOURCES;
        Files.setPosixFilePermissions(user, java.nio.file.attribute.PosixFilePermissions.fromString("rw-r--r--"));
        Map<String, Diagnosis.Finding> found = findings();
        assertTrue(found.get("secret.readable pw").getMend().equals("chmod go-rwx " + user), found.toString());
        assertTrue(found.get("datasource.driver-not-installed ghost").getReason().endsWith(
                "the closest installed: SQLite3"), found.toString());
        assertEquals("ri-reve set 'ghost' Driver='SQLite3' --user",
                found.get("datasource.driver-not-installed ghost").getMend());
        assertTrue(found.get("config.file the user's data sources").getReason().startsWith(user + ", "), found.toString());
        String ansi = PrivateConfiguration.driverLibrary("psqlodbca.so");
        assertEquals("ri-reve drivers install 'psqlodbca' Driver=" + ansi,
                found.get("driver.unregistered " + ansi).getMend(), found.toString());
        assertNull(found.get("driver.unregistered " + PrivateConfiguration.driverLibrary("libsqlite3odbc.so")),
                "a library a driver names, whatever link names it");

        Files.setPosixFilePermissions(user, java.nio.file.attribute.PosixFilePermissions.fromString("rw-------"));
        assertNull(findings().get("secret.readable pw"), "a file only its owner reads");
        // A file unixODBC cannot read is one finding; the others are all made.
        Files.delete(user);
        Files.createDirectory(user);
        try {
            found = findings();
            assertEquals(Diagnosis.Severity.ERROR, found.get("config.unread " + user).getSeverity(), found.toString());
            assertNotNull(found.get("datasource.ok sys"), found.toString());
            assertNotNull(found.get("driver.ok SQLite3"), found.toString());
        } finally {
            Files.delete(user);
        }
        Object[][] ignoring = {
            {new String[] {"datasource.ok"}, "datasource.ok sys", false},
            {new String[] {"datasource.ok:sys"}, "datasource.ok sys", false},
            {new String[] {"datasource.ok:other"}, "datasource.ok sys", true},
            {new String[] {"datasource"}, "datasource.ok sys", true},
            {new String[] {null, "driver.ok:SQLite3"}, "driver.ok MariaDB Unicode", true},
        };
        for (Object[] each : ignoring) {
            assertEquals(each[2], findings((String[]) each[0]).containsKey(each[1]), Arrays.toString((String[]) each[0]));
        }
    }

    static Map<String, Diagnosis.Finding> findings(String... ignore) throws ODBCException {
        Map<String, Diagnosis.Finding> found = new java.util.LinkedHashMap<>();
        for (Diagnosis.Finding finding : ODBC.diagnose(ignore).getFindings()) {
            found.putIfAbsent(finding.getCode() + " " + finding.getSubject(), finding);
        }
        return found;
    }

    static void assertSameBytes(List<byte[]> before, List<byte[]> after) {
        for (int i = 0; i < before.size(); i++) {
            assertTrue(Arrays.equals(before.get(i), after.get(i)), "file " + i + " changed");
        }
    }

    static List<String> descriptions(ODBCDriver[] drivers) {
        return Arrays.stream(drivers).map(ODBCDriver::getDescription).collect(Collectors.toList());
    }
}
