package com.nq.odbc;

import static com.nq.odbc.FakeScenario.utf8;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotSame;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.Arrays;
import java.util.List;
import java.util.Map;
import java.util.stream.Collectors;
import org.junit.jupiter.api.Nested;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.function.Executable;

/** The natives against a driver manager that fails on cue. */
class FakeDriverManagerTest {
    private static final String ALLOCATE = "Could not allocate ODBC environmental handle!";
    private static final String FREE = "Could not free ODBC environmental handle!";

    static void assertRaises(String message, Executable call) {
        Throwable thrown = assertThrows(Throwable.class, call);
        assertSame(Throwable.class, thrown.getClass(), "exception class");
        assertEquals(message, thrown.getMessage());
    }

    static List<String> descriptions(ODBCDriver[] drivers) {
        return Arrays.stream(drivers).map(d -> d == null ? null : d.getDescription()).collect(Collectors.toList());
    }

    static List<String> names(DataSource[] dataSources) {
        return Arrays.stream(dataSources).map(d -> d == null ? null : d.getName()).collect(Collectors.toList());
    }

    @Nested
    class Environment {
        @Test
        void failedAllocationRaisesOnceAndMakesNoOtherCall() throws Exception {
            new FakeScenario().driver("D", "A=1\0\0").dataSource("S", "D").alloc(1, -1).install();
            assertRaises(ALLOCATE, ODBC::getDrivers);
            assertEquals(List.of("SQLAllocEnv -> -1"), FakeScenario.log());

            new FakeScenario().driver("D", "A=1\0\0").dataSource("S", "D").alloc(1, -1).install();
            assertRaises(ALLOCATE, ODBC::getDataSources);
            assertEquals(List.of("SQLAllocEnv -> -1"), FakeScenario.log());
        }

        @Test
        void failedReleaseAfterACompleteListingDropsTheResult() throws Exception {
            new FakeScenario().driver("D", "A=1\0\0").free(1, -1).install();
            assertRaises(FREE, ODBC::getDrivers);

            // The outer environment is freed after the nested lookup's.
            new FakeScenario().driver("D", "A=1\0\0").dataSource("S", "D").free(2, -1).install();
            assertRaises(FREE, ODBC::getDataSources);
        }

        @Test
        void resultsWithInfoCountAsSuccess() throws Exception {
            new FakeScenario().driver("*", 1, "D", "A=1\0\0").dataSource("*", 1, "S", "D").alloc(1, 1).free(1, 1)
                    .install();
            DataSource[] listed = ODBC.getDataSources();
            assertEquals(List.of("S"), names(listed));
            assertEquals("D", listed[0].getDriver().getDescription());
        }

        @Test
        void failedNestedLookupEndsTheListingAndFreesEveryEnvironment() throws Exception {
            new FakeScenario().driver("D", "A=1\0\0").dataSource("S1", "D").dataSource("S2", "D").alloc(3, -1)
                    .install();
            assertRaises(ALLOCATE, ODBC::getDataSources);
            List<String> log = FakeScenario.log();
            long allocated = log.stream().filter(l -> l.equals("SQLAllocEnv -> 0")).count();
            long freed = log.stream().filter(l -> l.startsWith("SQLFreeEnv")).count();
            assertEquals(allocated, freed, String.join("\n", log));
            assertEquals("SQLAllocEnv -> -1", log.get(log.size() - 2), "nothing but the release after the failure");

            new FakeScenario().driver("D", "A=1\0\0").dataSource("S1", "D").free(1, -1).install();
            assertRaises(FREE, ODBC::getDataSources);
        }

        @Test
        void everyCallAsksForTheNextEntryInto1024ByteBuffers() throws Exception {
            new FakeScenario().driver("D", "A=1\0\0").dataSource("S", "D").install();
            ODBC.getDataSources();
            ODBC.getDrivers();
            List<String> calls = FakeScenario.log().stream()
                    .filter(l -> l.startsWith("SQLDrivers") || l.startsWith("SQLDataSources"))
                    .collect(Collectors.toList());
            assertTrue(calls.size() >= 6, calls.toString());
            for (String call : calls) {
                assertTrue(call.contains(" direction=1 buffers=1024,1024 "), call);
            }
        }
    }

    @Nested
    class ListChanges {
        @Test
        void anErrorInTheCountingPassShortensTheList() throws Exception {
            new FakeScenario().driver("D1", "\0\0").driver("0", -1, "Broken", "\0\0").driver("D2", "\0\0").install();
            assertEquals(List.of("D1"), descriptions(ODBC.getDrivers()));

            new FakeScenario().dataSource("0", -1, "Broken", "D").dataSource("S", "D").install();
            assertEquals(List.of(), names(ODBC.getDataSources()));
        }

        @Test
        void entriesMissingFromTheFillingPassStayNull() throws Exception {
            new FakeScenario().driver("D1", "\0\0").driver("1", -1, "Broken", "\0\0").driver("D2", "\0\0")
                    .install();
            assertEquals(Arrays.asList("D1", null), descriptions(ODBC.getDrivers()));

            new FakeScenario().dataSource("S1", "D").dataSource("0", 0, "Removed", "D").install();
            assertEquals(Arrays.asList("S1", null), names(ODBC.getDataSources()));
        }

        @Test
        void entriesAddedBeforeTheFillingPassAreLeftOut() throws Exception {
            new FakeScenario().driver("1", 0, "Added", "\0\0").driver("D1", "\0\0").install();
            assertEquals(List.of("Added"), descriptions(ODBC.getDrivers()));

            new FakeScenario().dataSource("S1", "D").dataSource("1", 0, "Added", "D").install();
            assertEquals(List.of("S1"), names(ODBC.getDataSources()));
        }

        @Test
        void emptyListsGiveEmptyArrays() throws Exception {
            new FakeScenario().install();
            assertEquals(0, ODBC.getDrivers().length);
            assertEquals(0, ODBC.getDataSources().length);
        }

        @Test
        void theDriverManagersOwnSettingsAreNoDataSource() throws Exception {
            new FakeScenario().driver("D", "\0\0").dataSource("odbc", "D").dataSource("S", "D").dataSource("ODBC", "D")
                    .install();
            assertEquals(List.of("S"), names(ODBC.getDataSources()));
            assertEquals(null, ODBC.findDataSource("ODBC"));
        }
    }

    @Nested
    class Drivers {
        @Test
        void attributeListsKeepTheirLongStandingRules() throws Exception {
            new FakeScenario()
                    .driver("Plain", "A=1\0B=2\0\0")
                    .driver("Empty", "\0\0")
                    .driver("Odd", "loose\0a=b=c\0x\0A=1\0A=2\0\0")
                    .install();
            ODBCDriver[] drivers = ODBC.getDrivers();
            assertEquals(Map.of("A", "1", "B", "2"), drivers[0].getAttributes());
            assertEquals(Map.of(), drivers[1].getAttributes());
            assertEquals(Map.of("b", "x", "A", "2"), drivers[2].getAttributes());
        }

        @Test
        void attributeListsAreReadWithinTheirBuffer() throws Exception {
            String full = "K=" + "v".repeat(1020) + "\0\0";
            String unterminated = "A=1\0B=" + "w".repeat(1024 - 6);
            new FakeScenario().driver("Full", full).driver("Unterminated", unterminated + "\0C=3\0\0").install();
            ODBCDriver[] drivers = ODBC.getDrivers();
            assertEquals(Map.of("K", "v".repeat(1020)), drivers[0].getAttributes());
            assertEquals(Map.of("A", "1", "B", "w".repeat(1018)), drivers[1].getAttributes());
        }

        @Test
        void aDataSourceGetsTheFirstDriverOfItsExactDescription() throws Exception {
            new FakeScenario()
                    .driver("Twin", "N=1\0\0")
                    .driver("Twin", "N=2\0\0")
                    .dataSource("ByTwin", "Twin")
                    .dataSource("ByCase", "twin")
                    .dataSource("ByPrefix", "Twi")
                    .install();
            DataSource[] listed = ODBC.getDataSources();
            assertEquals(Map.of("N", "1"), listed[0].getDriver().getAttributes());
            assertNull(listed[1].getDriver());
            assertNull(listed[2].getDriver());
            assertEquals(2, ODBC.getDrivers().length);
        }

        @Test
        void dataSourcesOfOneDriverShareNothing() throws Exception {
            new FakeScenario().driver("D", "A=1\0\0").dataSource("S1", "D").dataSource("S2", "D").install();
            DataSource[] listed = ODBC.getDataSources();
            assertNotSame(listed[0].getDriver(), listed[1].getDriver());
            assertEquals(listed[0].getDriver(), listed[1].getDriver());
        }
    }

    @Nested
    class Text {
        @Test
        void bytesAreDecodedAsUtf8() throws Exception {
            String grin = utf8("\uD83D\uDE00");
            new FakeScenario()
                    .driver(utf8("Dätä ") + grin, "K" + grin + "=" + utf8("välue") + "\0\0")
                    .driver("Bad\u00c0\u00af", "\0\0")
                    .dataSource(grin + " source", utf8("Dätä ") + grin)
                    .install();
            ODBCDriver[] drivers = ODBC.getDrivers();
            assertEquals("Dätä \uD83D\uDE00", drivers[0].getDescription());
            assertEquals(Map.of("K\uD83D\uDE00", "välue"), drivers[0].getAttributes());
            assertEquals("Bad\uFFFD\uFFFD", drivers[1].getDescription());
            DataSource listed = ODBC.getDataSources()[0];
            assertEquals("\uD83D\uDE00 source", listed.getName());
            assertEquals(drivers[0], listed.getDriver());
        }

        @Test
        void longListsKeepLocalReferencesBounded() throws Exception {
            // -Xcheck:jni reports a native that holds more local references
            // than it asked for; the run fails on any such report.
            FakeScenario scenario = new FakeScenario();
            for (int i = 0; i < 10_000; i++) {
                scenario.driver("D" + i, "A=" + i + "\0B=x\0\0");
            }
            for (int i = 0; i < 10_000; i++) {
                scenario.dataSource("S" + i, "D0");
            }
            scenario.install();
            ODBCDriver[] drivers = ODBC.getDrivers();
            assertEquals(10_000, drivers.length);
            assertEquals("9999", drivers[9_999].getAttribute("A"));
            DataSource[] listed = ODBC.getDataSources();
            assertEquals(10_000, listed.length);
            assertEquals("D0", listed[9_999].getDriver().getDescription());
        }
    }

    @Nested
    class Registration {
        @Test
        void argumentsAreCheckedBeforeAnyOdbcCall() throws Exception {
            new FakeScenario().install();
            assertRaises("DataSource name is null!", () -> ODBC.registerDataSource(null, null, (String) null));
            assertRaises("DataSource name is null!", () -> ODBC.unregisterDataSource(null, "D"));
            assertRaises("Driver name is null!", () -> ODBC.registerDataSource("S", null, "A=1"));
            assertRaises("Driver name is null!", () -> ODBC.unregisterDataSource("S", null));
            assertRaises("DataSource name is invalid!", () -> ODBC.registerDataSource("a;Driver=x", "D", (String) null));
            assertRaises("DataSource attribute text is too long!",
                    () -> ODBC.registerDataSource("S", "D", "x".repeat(1022)));
            assertEquals(List.of(), FakeScenario.log());
        }

        @Test
        void failedAllocationComesBeforeTheInstaller() throws Exception {
            new FakeScenario().alloc(1, -1).install();
            assertRaises(ALLOCATE, () -> ODBC.registerDataSource("S", "D", (String) null));
            new FakeScenario().alloc(1, -1).install();
            assertRaises(ALLOCATE, () -> ODBC.unregisterDataSource("S", "D"));
        }

        @Test
        void aMissingInstallerLibraryIsReportedOnEveryRequest() throws Exception {
            new FakeScenario().driver("D", "\0\0").install();
            Map<String, String> environment = Map.of();
            String library = System.getProperty("java.library.path");
            String missing = "ODBC Installer Error: The ODBC installer library (libri-reve-missing-installer.so)"
                    + " is not installed on this system.\n";

            Processes.Result registered = Processes.runJvm(environment, library, Child.class, "register", "S", "D");
            assertEquals(0, registered.exitCode, registered.toString());
            assertEquals(missing + missing, registered.stderr);
            String why = " (the ODBC installer library libri-reve-missing-installer.so cannot be loaded)\n";
            String refused = "threw java.lang.Throwable: Error trying to register ODBC DataSource!" + why;
            assertEquals(refused + refused, registered.stdout);

            Processes.Result removed = Processes.runJvm(environment, library, Child.class, "remove", "S", "D");
            assertEquals(missing + missing, removed.stderr);
            String refusedRemoval = "threw java.lang.Throwable: Error trying to remove ODBC DataSource!" + why;
            assertEquals(refusedRemoval + refusedRemoval, removed.stdout);
        }
    }
}
