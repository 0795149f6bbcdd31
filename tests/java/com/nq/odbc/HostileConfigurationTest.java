package com.nq.odbc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashMap;
import java.util.HexFormat;
import java.util.List;
import java.util.Map;
import java.util.stream.Collectors;
import org.junit.jupiter.api.Test;

/**
 * Configurations built to be awkward, listed by the library and, in a fresh
 * process, by unixODBC's own SQLDrivers and SQLDataSources: the lists agree
 * wherever the driver manager does not cut its own short.
 */
class HostileConfigurationTest {
    static final String SQLITE = PrivateConfiguration.driverLibrary("libsqlite3odbc.so");
    static final byte[] LATIN1 = {'L', 'a', 't', (byte) 0xE9};

    static void writeRaw(byte[] drivers, byte[] systemSources, byte[] userSources) throws Exception {
        Files.write(PrivateConfiguration.DRIVERS, drivers);
        Files.write(PrivateConfiguration.SYSTEM_SOURCES, systemSources);
        Files.write(PrivateConfiguration.USER_SOURCES, userSources);
    }

    static byte[] bytes(Object... parts) {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        for (Object part : parts) {
            byte[] piece = part instanceof byte[] ? (byte[]) part : part.toString().getBytes(StandardCharsets.UTF_8);
            out.write(piece, 0, piece.length);
        }
        return out.toByteArray();
    }

    /** One entry as the driver manager's listing tool prints it: kind, then two texts. */
    record Listed(String kind, byte[] first, byte[] second) {
        String name() {
            return new String(first, StandardCharsets.UTF_8);
        }

        /** The attribute list read with the library's rule: every "=" ends a key. */
        Map<String, String> attributes() {
            Map<String, String> map = new HashMap<>();
            for (String pair : new String(second, StandardCharsets.UTF_8).split("\0")) {
                String[] parts = pair.split("=", -1);
                if (parts.length > 1) map.put(parts[parts.length - 2], parts[parts.length - 1]);
            }
            return map;
        }
    }

    static List<Listed> driverManagerListing(String kind, String... arguments) throws Exception {
        return driverManagerListing(Map.of(), kind, arguments);
    }

    static List<Listed> driverManagerListing(Map<String, String> environment, String kind, String... arguments)
            throws Exception {
        List<String> command = new ArrayList<>(List.of(System.getProperty("rireve.test.listingTool")));
        command.addAll(List.of(arguments));
        Processes.Result run = Processes.run(environment, command);
        assertEquals(0, run.exitCode, run.toString());
        HexFormat hex = HexFormat.of();
        return run.stdout.lines().map(line -> line.split(" ", -1)).filter(f -> f[0].equals(kind))
                .map(f -> new Listed(f[0], hex.parseHex(f[1]), hex.parseHex(f[2]))).collect(Collectors.toList());
    }

    /**
     * The library lists what the driver manager lists, in its order, with the
     * same attributes and drivers; where the driver manager cuts its list
     * short (whole is false), its list is where the library's begins.
     */
    static void assertListedAsTheDriverManagerLists(boolean whole) throws Exception {
        List<Listed> listedDrivers = driverManagerListing("driver");
        ODBCDriver[] drivers = ODBC.getDrivers();
        assertStartsWith(names(listedDrivers), Arrays.stream(drivers).map(ODBCDriver::getDescription), whole);
        for (int i = 0; i < listedDrivers.size(); i++) {
            assertEquals(listedDrivers.get(i).attributes(), drivers[i].getAttributes(), drivers[i].getDescription());
        }
        List<Listed> listedSources = dataSourcesListed(Map.of());
        DataSource[] sources = ODBC.getDataSources();
        assertStartsWith(names(listedSources), Arrays.stream(sources).map(DataSource::getName), whole);
        for (int i = 0; i < listedSources.size(); i++) {
            String description = new String(listedSources.get(i).second(), StandardCharsets.UTF_8);
            ODBCDriver expected = Arrays.stream(drivers).filter(d -> d.getDescription().equals(description))
                    .findFirst().orElse(null);
            assertEquals(expected, sources[i].getDriver(), sources[i].getName());
        }
    }

    /** The driver manager's data sources but [ODBC], its own settings, which the library does not list. */
    static List<Listed> dataSourcesListed(Map<String, String> environment) throws Exception {
        return driverManagerListing(environment, "dsn").stream().filter(l -> !l.name().equalsIgnoreCase("ODBC"))
                .collect(Collectors.toList());
    }

    static List<String> names(List<Listed> listed) {
        return listed.stream().map(Listed::name).collect(Collectors.toList());
    }

    static void assertStartsWith(List<String> expected, java.util.stream.Stream<String> actual, boolean whole) {
        List<String> all = actual.collect(Collectors.toList());
        assertEquals(expected, all.subList(0, Math.min(expected.size(), all.size())));
        assertTrue(whole ? expected.size() == all.size() : expected.size() < all.size(), expected + " / " + all);
    }

    @Test
    void awkwardConfigurationsListAsTheDriverManagerListsThem() throws Exception {
        StringBuilder eighty = new StringBuilder("[Eighty]\n");
        for (int i = 0; i < 80; i++) {
            eighty.append(String.format("Key%02d=Value %02d with text\n", i, i));
        }
        writeRaw(bytes("# a comment\n; another\n[SQLite3]\nDriver=", SQLITE, "\na=b=c\nRep=1\nRep=2\n  Lead=3\n",
                        " Spaced Key = v v \n#Hidden=1\n;Hidden=2\n\n[Dup]\nk=1\n[dup]\nk=2\n[ODBC]\nTrace=No\n",
                        "[Odbc]\n[Empty]\n[", LATIN1, "]\nDriver=", SQLITE, "\n", eighty, "[NoNewline]\nDriver=x"),
                bytes("[BOTH]\nDriver=Dup\n[sys]\nDriver=Eighty\n; comment\n[sys]\nDriver=SQLite3\n",
                        "[nofinal]\nDriver=NoNewline"),
                bytes("[u1]\nDescription=first\n[U1]\nDriver=Dup\n[both]\nDriver=SQLite3\n",
                        "[ODBC Data Sources]\nu1=x\n  [indented]\ndriver=dup\n[desc]\nDescription=", LATIN1, "\n",
                        "[", "L".repeat(1500), "]\nDriver=SQLite3\n[repeat]\nDriver=SQLite3\n[repeat]\n",
                        "Driver=Eighty\n[emptysection]\n[", LATIN1, "]\nDriver=", LATIN1, "\n"));
        assertListedAsTheDriverManagerLists(true);
        assertEquals(80, ODBC.findDriver("Eighty").getAttributes().size());
        assertEquals("Lat\uFFFD", ODBC.findDataSource("Lat\uFFFD").getDriver().getDescription());
    }

    @Test
    void aSystemFileIsReadAsTheDriverManagerReadsItAloneOrBehindTheUsers() throws Exception {
        // Read alone, an indented header counts; added behind the user's
        // file, unixODBC skips indented lines, and so does the lookup.
        writeRaw(bytes("[SQLite3]\nDriver=", SQLITE, "\n"), bytes("[a]\nDriver=SQLite3\n  [indented]\n Driver=SQLite3\n"),
                new byte[0]);
        assertEquals(List.of("a", "indented"), names(driverManagerListing("dsn", "system")));
        assertEquals(List.of("a"), names(driverManagerListing("dsn")));
        assertEquals(null, ODBC.findDataSource("indented"));
        assertEquals("SQLite3", ODBC.findDataSource("indented", DataSource.Scope.SYSTEM).getDriver().getDescription());
    }

    @Test
    void aDriverFileUnixOdbcRejectsListsNoDriverAndTheDoctorSaysWhy() throws Exception {
        writeRaw(bytes("  [SQLite3]\nDriver=", SQLITE, "\n"), bytes("[a]\nDriver=SQLite3\n"), new byte[0]);
        Path userDrivers = PrivateConfiguration.FOLDER.resolve(".odbcinst.ini");
        Files.write(userDrivers, bytes("[Mine]\nDriver=", SQLITE, "\n"));
        try {
            assertEquals(List.of(), names(driverManagerListing("driver")), "unixODBC lists not even the user's");
            assertEquals(0, ODBC.getDrivers().length);
            Diagnosis.Finding unread = ODBC.diagnose().getFindings().stream()
                    .filter(f -> f.getCode().equals("config.unread")).findFirst().orElseThrow();
            assertTrue(unread.getReason().endsWith("odbcinst.ini: line 1 indents the first section's header"),
                    unread.getReason());
        } finally {
            Files.delete(userDrivers);
        }
    }

    @Test
    void userDriversOdbcSearchAndAnUnreadableUserFileAsTheDriverManagerReadsThem() throws Exception {
        writeRaw(bytes("[SQLite3]\nDriver=", SQLITE, "\n[Both]\nDriver=", SQLITE, "\n"),
                bytes("[s1]\nDriver=SQLite3\n[s1]\nDriver=Both\n[sys]\nDriver=Mine\n[U1]\nDriver=Both\n"),
                bytes("[u1]\nDriver=SQLite3\n[u1]\nDriver=Mine\n[ODBC]\nTrace=No\n"));
        Files.write(PrivateConfiguration.FOLDER.resolve(".odbcinst.ini"), bytes("[Mine]\nDriver=", SQLITE,
                "\nSetup=x\n[both]\nDriver=user\n[Mine]\nDriver=again\n[ODBC]\nTrace=Yes\n[SQLite3]\nExtra=1\n"));
        try {
            assertListedAsTheDriverManagerLists(true);
            assertEquals(List.of("u1", "u1", "s1", "sys"), Arrays.stream(ODBC.getDataSources())
                    .map(DataSource::getName).collect(Collectors.toList()), "[ODBC] is no data source");
            assertEquals(List.of("SQLite3", "Both", "Mine"), Arrays.stream(ODBC.getDrivers())
                    .map(ODBCDriver::getDescription).collect(Collectors.toList()));
            for (String search : List.of("ODBC_USER_DSN", "ODBC_SYSTEM_DSN", "ODBC_BOTH_DSN", "other")) {
                Map<String, String> environment = Map.of("ODBCSEARCH", search);
                List<String> expected = names(dataSourcesListed(environment));
                Processes.Result listed = Processes.runJvm(environment, System.getProperty("java.library.path"),
                        Child.class, "dsns");
                assertEquals(expected, listed.stdout.lines().collect(Collectors.toList()), search + ": " + listed);
            }
            // A user file that is there but cannot be read (a loop of links).
            Files.delete(PrivateConfiguration.USER_SOURCES);
            Files.createSymbolicLink(PrivateConfiguration.USER_SOURCES, PrivateConfiguration.USER_SOURCES);
            assertListedAsTheDriverManagerLists(true);
            assertEquals(List.of("s1", "s1", "sys", "U1"), Arrays.stream(ODBC.getDataSources())
                    .map(DataSource::getName).collect(Collectors.toList()));
            assertEquals("cannot read " + PrivateConfiguration.USER_SOURCES + ": Too many levels of symbolic links",
                    assertThrows(ODBCException.class, () -> ODBC.listDataSources()).getCause().getMessage());
            assertEquals(List.of("s1", "sys", "U1"), Arrays.stream(ODBC.listDataSources(DataSource.Scope.SYSTEM))
                    .map(DataSource::getName).collect(Collectors.toList()));
        } finally {
            Files.deleteIfExists(PrivateConfiguration.FOLDER.resolve(".odbcinst.ini"));
            Files.deleteIfExists(PrivateConfiguration.USER_SOURCES);
        }
    }

    @Test
    void longNamesLongSectionsAndLongListsAreNeverCut() throws Exception {
        StringBuilder drivers = new StringBuilder();
        for (int i = 0; i < 60; i++) {
            drivers.append(String.format("[Driver number %02d with long name]\nDriver=%s\n", i, SQLITE));
        }
        StringBuilder sources = new StringBuilder("[]\nDriver=x\n");
        for (int i = 0; i < 1000; i++) {
            sources.append(String.format("[source%04d]\nDriver=Driver number %02d with long name\n", i, i % 60));
        }
        StringBuilder many = new StringBuilder("[Many]\n");
        for (int i = 0; i < 1000; i++) {
            many.append(String.format("Key%04d=Value%04d\n", i, i));
        }
        writeRaw(bytes(drivers, "[", "D".repeat(5000), "]\nDriver=", SQLITE, "\n\n", many, "\n[", "L".repeat(1023),
                "]\nDriver=", SQLITE, "\n"), bytes("[usesMany]\nDriver=Many\n[usesLong]\nDriver=", "L".repeat(1023),
                "\n"), bytes(sources, many));
        assertListedAsTheDriverManagerLists(false);
        assertEquals(63, ODBC.getDrivers().length);
        assertEquals(1003, ODBC.getDataSources().length, "the empty name is passed over, not the end");
        assertEquals(1003, ODBC.listDataSources().length);
        assertEquals("Value0999", ODBC.findDataSource("many", DataSource.Scope.USER).getAttribute("KEY0999"));
        assertEquals(1000, ODBC.findDriver("Many").getAttributes().size());
        assertEquals(ODBC.findDriver("Many"), ODBC.findDataSource("usesMany").getDriver());
        // unixODBC reads at most 999 bytes of a line, and the rest as further lines.
        assertTrue(ODBC.getDrivers()[60].getDescription().matches("D{990,1000}"));
        assertNull(ODBC.findDataSource("usesLong").getDriver(), "a cut description names no installed driver");
    }

    @Test
    void bytesThatAreNotUtf8AndFilesWithoutFinalNewline() throws Exception {
        byte[] badName = bytes("Bad", new byte[] {(byte) 0xFF, (byte) 0xFE}, "Name");
        writeRaw(bytes("[", badName, "]\nDriver=x", new byte[] {(byte) 0xC0, (byte) 0xAF}, "y\n\n[Last]\nDriver=",
                        SQLITE, "\nNoNewline=1"),
                bytes("[usesBad]\nDriver=", badName, "\n[\u00e4\uD83D\uDE00]\nDriver=Last\nDatabase=/tmp/x"),
                new byte[0]);
        assertListedAsTheDriverManagerLists(true);
        ODBCDriver bad = ODBC.getDrivers()[0];
        assertEquals("Bad\uFFFD\uFFFDName", bad.getDescription());
        assertEquals(Map.of("Driver", "x\uFFFD\uFFFDy"), bad.getAttributes());
        assertEquals(Map.of("Driver", SQLITE, "NoNewline", "1"), ODBC.findDriver("Last").getAttributes());
        assertEquals(bad, ODBC.findDataSource("usesBad").getDriver());
        assertEquals("Last", ODBC.findDataSource("\u00e4\uD83D\uDE00").getDriver().getDescription());
    }
}
