package com.nq.odbc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNotSame;
import static org.junit.jupiter.api.Assertions.assertNull;

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

    static List<String> descriptions(ODBCDriver[] drivers) {
        return Arrays.stream(drivers).map(ODBCDriver::getDescription).collect(Collectors.toList());
    }
}
