package com.nq.odbc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.util.Arrays;
import java.util.List;
import java.util.Map;
import java.util.stream.Collectors;
import org.junit.jupiter.api.Test;

/**
 * Configurations no tool should write, read through the real unixODBC: the
 * library must list them without harm, and list what odbcinst shows, cut
 * where the driver manager cuts.
 */
class HostileConfigurationTest {
    static final String SQLITE = PrivateConfiguration.driverLibrary("libsqlite3odbc.so");

    static void writeRaw(byte[] drivers, byte[] systemSources) throws Exception {
        Files.write(PrivateConfiguration.DRIVERS, drivers);
        Files.write(PrivateConfiguration.SYSTEM_SOURCES, systemSources);
        Files.write(PrivateConfiguration.USER_SOURCES, new byte[0]);
    }

    static byte[] bytes(Object... parts) {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        for (Object part : parts) {
            byte[] piece = part instanceof byte[] ? (byte[]) part : part.toString().getBytes(StandardCharsets.UTF_8);
            out.write(piece, 0, piece.length);
        }
        return out.toByteArray();
    }

    /**
     * The drivers and data sources listed are those odbcinst shows, in its
     * order; the driver manager may end its lists early, since it reads the
     * section names into a buffer of fixed size.
     */
    static void assertListedAsOdbcinstShows() throws Exception {
        List<String> shownDrivers = PrivateConfiguration.odbcinstSections("-d");
        ODBCDriver[] drivers = ODBC.getDrivers();
        List<String> descriptions = Arrays.stream(drivers).map(ODBCDriver::getDescription).collect(Collectors.toList());
        assertTrue(drivers.length > 0);
        assertEquals(shownDrivers.subList(0, drivers.length), descriptions);

        List<String> shownSources = PrivateConfiguration.odbcinstSections("-s");
        DataSource[] sources = ODBC.getDataSources();
        assertEquals(shownSources, Arrays.stream(sources).map(DataSource::getName).collect(Collectors.toList()));
        for (DataSource source : sources) {
            if (source.getDriver() != null) {
                assertTrue(descriptions.contains(source.getDriver().getDescription()), source.toString());
            }
        }
    }

    /**
     * An attribute list longer than its buffer arrives cut short: every
     * entry listed is one odbcinst shows, but for the one that was cut.
     */
    static void assertCutFrom(Map<String, String> shown, Map<String, String> listed, int atLeast) {
        long whole = listed.entrySet().stream().filter(e -> e.getValue().equals(shown.get(e.getKey()))).count();
        assertTrue(whole >= atLeast && whole >= listed.size() - 1, listed + " against " + shown);
    }

    @Test
    void longNamesAndLongSections() throws Exception {
        StringBuilder many = new StringBuilder("[Many]\n");
        for (int i = 0; i < 1000; i++) {
            many.append(String.format("Key%04d=Value%04d\n", i, i));
        }
        String longDriver = "L".repeat(1023);
        writeRaw(bytes("[", "D".repeat(5000), "]\nDriver=", SQLITE, "\n\n", many, "\n[Empty]\n\n[", longDriver,
                        "]\nDriver=", SQLITE, "\n"),
                bytes("[usesLong]\nDriver=", longDriver, "\n\n[usesMany]\nDriver=Many\n"));
        assertListedAsOdbcinstShows();

        ODBCDriver[] drivers = ODBC.getDrivers();
        // The driver manager reads at most 1000 bytes of a line, and the rest
        // of the line as further lines.
        assertTrue(drivers[0].getDescription().matches("D{990,1000}"), drivers[0].getDescription());
        assertCutFrom(PrivateConfiguration.odbcinstSection("-d", drivers[0].getDescription()),
                drivers[0].getAttributes(), 1);

        Map<String, String> listed = ODBC.findDriver("Many").getAttributes();
        assertCutFrom(PrivateConfiguration.odbcinstSection("-d", "Many"), listed, 50);
        assertEquals(Map.of(), ODBC.findDriver("Empty").getAttributes());

        DataSource usesLong = ODBC.findDataSource("usesLong");
        assertNull(usesLong.getDriver(), "a cut description names no installed driver");
        assertEquals(listed, ODBC.findDataSource("usesMany").getDriver().getAttributes());
    }

    @Test
    void bytesThatAreNotUtf8AndFilesWithoutFinalNewline() throws Exception {
        byte[] badName = bytes("Bad", new byte[] {(byte) 0xFF, (byte) 0xFE}, "Name");
        writeRaw(bytes("[", badName, "]\nDriver=x", new byte[] {(byte) 0xC0, (byte) 0xAF}, "y\n\n[Last]\nDriver=",
                        SQLITE, "\nNoNewline=1"),
                bytes("[usesBad]\nDriver=", badName, "\n[\u00e4\uD83D\uDE00]\nDriver=Last\nDatabase=/tmp/x"));
        assertListedAsOdbcinstShows();

        ODBCDriver bad = ODBC.getDrivers()[0];
        assertEquals("Bad\uFFFD\uFFFDName", bad.getDescription());
        assertEquals(Map.of("Driver", "x\uFFFD\uFFFDy"), bad.getAttributes());
        assertEquals(Map.of("Driver", SQLITE, "NoNewline", "1"), ODBC.findDriver("Last").getAttributes());
        assertEquals(bad, ODBC.findDataSource("usesBad").getDriver());
        assertEquals("Last", ODBC.findDataSource("\u00e4\uD83D\uDE00").getDriver().getDescription());
    }
}
