package com.nq.odbc;

import static com.nq.odbc.FakeDriverManagerTest.assertRaises;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTimeoutPreemptively;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.attribute.PosixFilePermissions;
import java.nio.file.attribute.UserDefinedFileAttributeView;
import java.time.Duration;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashSet;
import java.util.List;
import java.util.Map;
import java.util.Random;
import java.util.Set;
import java.util.concurrent.ConcurrentLinkedQueue;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicBoolean;
import java.util.concurrent.locks.LockSupport;
import java.util.stream.Collectors;
import org.junit.jupiter.api.Assumptions;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Nested;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.function.Executable;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/** Registration and removal through the real unixODBC and the real SQLite3 driver. */
class UnixOdbcRegistrationTest {
    static final String REGISTER_REFUSED = "Error trying to register ODBC DataSource!";
    static final String REMOVE_REFUSED = "Error trying to remove ODBC DataSource!";
    static final String ATTRIBUTES_INVALID = "DataSource attribute text is invalid!";
    static final String ATTRIBUTES_TOO_LONG = "DataSource attribute text is too long!";
    static final String SETUP_DRIVER = "Recording Setup";
    static final Path SETUP_LOG = Paths.get(System.getenv("RIREVE_TEST_SETUP_LOG"));

    static final String DRIVERS = UnixOdbcListingTest.THREE_DRIVERS
            + "\n[" + SETUP_DRIVER + "]\n"
            + "Driver=" + PrivateConfiguration.driverLibrary("libsqlite3odbc.so") + "\n"
            + "Setup=" + System.getProperty("rireve.test.setupLibrary") + "\n";
    static final String MISBEHAVING_SETUP = System.getProperty("rireve.test.misbehavingSetup");
    static final String SETUP_TIMEOUT = "com.nq.odbc.setupTimeoutMillis";
    static final String SYSTEM_SOURCES = "[shared]\nDriver=SQLite3\nDatabase=/tmp/shared.db\n";
    static final String USER_SOURCES = "[mine]\nDriver=SQLite3\nDatabase=/tmp/mine.db\n";

    @BeforeEach
    void configure() throws Exception {
        PrivateConfiguration.write(DRIVERS, SYSTEM_SOURCES, USER_SOURCES);
        Files.deleteIfExists(SETUP_LOG);
    }

    @Test
    void aRegisteredDataSourceServesEveryOdbcProgramUntilRemoved() throws Exception {
        Path database = PrivateConfiguration.FOLDER.resolve("demo.db");
        DataSource demo = ODBC.registerDataSource("demo", "SQLite3", "Database=" + database);

        assertEquals("demo", demo.getName());
        assertEquals("SQLite3", demo.getDriver().getDescription());
        assertEquals(ODBC.getDrivers()[0], demo.getDriver());
        assertEquals(SYSTEM_SOURCES, Processes.read(PrivateConfiguration.SYSTEM_SOURCES), "system file untouched");
        assertEquals("SQLite3", PrivateConfiguration.odbcinstSection("-s", "demo").get("Driver"));
        assertEquals(database.toString(), PrivateConfiguration.odbcinstSection("-s", "demo").get("Database"));

        Processes.Result session = isql("demo",
                "CREATE TABLE t (v TEXT)\nINSERT INTO t VALUES ('kept')\nSELECT v FROM t\n");
        assertEquals(0, session.exitCode, session.toString());
        assertTrue(session.stdout.contains("kept"), session.toString());

        assertTrue(ODBC.unregisterDataSource("demo", "SQLite3"));
        assertNotEquals(0, isql("demo", "SELECT 1\n").exitCode);
        assertEquals(List.of("mine", "shared"), names(ODBC.getDataSources()));
        assertEquals(SYSTEM_SOURCES, Processes.read(PrivateConfiguration.SYSTEM_SOURCES));
    }

    @Test
    void registeringAgainReplacesTheUserDataSourceAndEveryListingSeesItAtOnce() throws Exception {
        assertEquals("SQLite3", ODBC.registerDataSource("demo", "SQLite3", "Database=/tmp/first.db;Timeout=5")
                .getDriver().getDescription());
        assertEquals("SQLite3", ODBC.findDataSource("demo").getDriver().getDescription());
        DataSource again = ODBC.registerDataSource("demo", "PostgreSQL Unicode", "Servername=db.example");
        assertEquals("PostgreSQL Unicode", again.getDriver().getDescription());
        assertEquals(again, ODBC.findDataSource("demo"));
        assertEquals(List.of("mine", "demo", "shared"), PrivateConfiguration.odbcinstSections("-s"));
        assertEquals(Map.of("Driver", "PostgreSQL Unicode", "Servername", "db.example"),
                PrivateConfiguration.odbcinstSection("-s", "demo"));

        // Another process's change, and a user data source hiding a system one.
        Path template = PrivateConfiguration.FOLDER.resolve("template.ini");
        Files.writeString(template, "[demo]\nDriver=MariaDB Unicode\n\n[SHARED]\nDriver=PostgreSQL Unicode\n");
        assertEquals(0, Processes.run("odbcinst", "-i", "-s", "-h", "-f", template.toString()).exitCode);
        assertEquals("MariaDB Unicode", ODBC.findDataSource("demo").getDriver().getDescription());
        assertEquals(List.of("mine", "demo", "SHARED"), names(ODBC.getDataSources()));
        assertEquals("PostgreSQL Unicode", ODBC.getDataSources()[2].getDriver().getDescription());

        assertUnchanged(PrivateConfiguration.snapshot(), REMOVE_REFUSED,
                () -> ODBC.unregisterDataSource("demo", "SQLite3"));
        assertTrue(ODBC.unregisterDataSource("demo", "MariaDB Unicode"));
        assertEquals(List.of("mine", "SHARED"), PrivateConfiguration.odbcinstSections("-s"));
    }

    @Test
    void scopedListingsShowEachDataSourceWhereItIsWithItsOwnEntries() throws Exception {
        PrivateConfiguration.write(DRIVERS, "[ODBC]\nTrace=No\n[shared]\nDriver=SQLite3\nDatabase=/tmp/s.db\n"
                + "[orphan]\nDriver=Gone Driver\n", "[odbc]\nTraceFile=/tmp/t\n[Shared]\ndriver = SQLite3\n"
                + "Server=one\nSERVER=two\nDatabase=/tmp/mine.db\n[Shared]\nDriver=Other\n");
        assertEquals("[Shared USER SQLite3 true {driver=SQLite3, Server=one, Database=/tmp/mine.db}, "
                + "shared SYSTEM SQLite3 true {Driver=SQLite3, Database=/tmp/s.db}, "
                + "orphan SYSTEM Gone Driver false {Driver=Gone Driver}]", describe(ODBC.listDataSources()));
        assertEquals(describe(ODBC.listDataSources()), describe(ODBC.listDataSources(DataSource.Scope.values())));
        assertEquals(List.of("shared", "orphan"), names(ODBC.listDataSources(DataSource.Scope.SYSTEM)));
        assertEquals(List.of("Shared", "Shared", "orphan"), names(ODBC.getDataSources()), "the system's shared hidden");
        DataSource mine = ODBC.findDataSource("SHARED", null);
        assertEquals(DataSource.Scope.USER, mine.getScope());
        assertEquals("one", mine.getAttribute("server"));
        assertEquals("/tmp/s.db", ODBC.findDataSource("shared", DataSource.Scope.SYSTEM).getAttribute("DATABASE"));
        assertNull(ODBC.findDataSource("orphan", DataSource.Scope.USER));
        assertEquals(null, ODBC.getDataSources()[0].getScope(), "the specified listing's objects have no scope");
        assertTrue(ODBC.getDataSources()[0].getAttributes().isEmpty());
    }

    @Test
    void configuringChangesOnlyTheLinesOfTheEntriesNamed() throws Exception {
        String rest = "\n# next\n[next]\nDriver=SQLite3\nPort=9\n";
        Files.writeString(PrivateConfiguration.USER_SOURCES, "; top\n[mine]\nDriver=SQLite3\n  Database = /tmp/m.db \n"
                + "# the port\nPort=1\nport=2\n" + rest);
        DataSource changed = ODBC.configureDataSource("MINE", DataSource.Scope.USER, Map.of("PORT", " 3 "),
                List.of("database"));
        assertEquals("{Driver=SQLite3, Port=3}", changed.getAttributes().toString());
        ODBC.configureDataSource("mine", DataSource.Scope.USER, Map.of("Timeout", "5"), null);
        assertEquals("; top\n[mine]\nDriver=SQLite3\n# the port\nPort=3\nTimeout=5\n" + rest, userSources());
        assertEquals("5", PrivateConfiguration.odbcinstSection("-s", "mine").get("Timeout"));
        List<byte[]> before = PrivateConfiguration.snapshot();
        String configureRefused = "Error trying to configure ODBC DataSource!";
        for (Object[] refused : new Object[][] {
            {"nope", DataSource.Scope.USER, Map.of("A", "1"), configureRefused,
                "no data source named nope in " + PrivateConfiguration.USER_SOURCES},
            {"next", DataSource.Scope.SYSTEM, Map.of("A", "1"), configureRefused,
                "no data source named next in " + PrivateConfiguration.SYSTEM_SOURCES},
            {"mine", DataSource.Scope.USER, Map.of("dsn", "x"), ATTRIBUTES_INVALID,
                "the key dsn is the data source's own: register it again to change its driver"},
            {"mine", DataSource.Scope.USER, Map.of("[x", "1"), ATTRIBUTES_INVALID,
                "the key [x would start a section or a comment in the profile file"},
            {"mine", DataSource.Scope.USER, Map.of("a=b", "1"), ATTRIBUTES_INVALID, "the key a=b holds =, which ends a key"},
            {"mine", DataSource.Scope.USER, Map.of(" ", "1"), ATTRIBUTES_INVALID, "an entry's key is empty"},
            {"mine", DataSource.Scope.USER, Map.of("A", "1\n[x]"), ATTRIBUTES_INVALID, "the value of A holds a line break"},
            {"mine", DataSource.Scope.USER, Map.of("A", "v".repeat(998)), ATTRIBUTES_TOO_LONG,
                "the entry A is 1000 bytes as a line; a line holds at most 999, the most unixODBC's reader reads back"},
            {"mine", DataSource.Scope.USER, Map.of("A", "v".repeat(1020)), ATTRIBUTES_TOO_LONG,
                "the entry A is 1022 bytes as a line; a line holds at most 999, the most unixODBC's reader reads back"},
            {"mine", DataSource.Scope.USER, new java.util.TreeMap<>(Map.of("A", "1", "a", "2")), ATTRIBUTES_INVALID, "the key a is given twice"},
            {"bad;name", DataSource.Scope.USER, Map.of("A", "1"), "DataSource name is invalid!",
                "the name holds ;, one of []{}(),;?*=!@\\ that names may not hold"}}) {
            @SuppressWarnings("unchecked")
            ODBCException e = assertThrows(ODBCException.class, () -> ODBC.configureDataSource((String) refused[0],
                    (DataSource.Scope) refused[1], (Map<String, String>) refused[2], null));
            assertEquals(refused[3] + ": " + refused[4], e.getMessage() + ": " + e.getCause().getMessage());
        }
        assertEquals(ATTRIBUTES_INVALID, assertThrows(ODBCException.class, () -> ODBC.configureDataSource("mine",
                DataSource.Scope.USER, null, List.of("Driver"))).getMessage());
        List<byte[]> after = PrivateConfiguration.snapshot();
        for (int i = 0; i < before.size(); i++) {
            assertArrayEquals(before.get(i), after.get(i), "a refused change changed file " + i);
        }
    }

    @Test
    void systemDataSourcesAreChangedAsRootAndRefusedWithTheReasonToOthers() throws Exception {
        DataSource added = ODBC.registerDataSource("sys", "SQLite3", Map.of("Database", "/tmp/sys.db"),
                DataSource.Scope.SYSTEM);
        assertEquals("sys SYSTEM SQLite3 true {Driver=SQLite3, Database=/tmp/sys.db}", describe(added));
        assertEquals(SYSTEM_SOURCES + "\n[sys]\nDriver=SQLite3\nDatabase=/tmp/sys.db\n",
                Processes.read(PrivateConfiguration.SYSTEM_SOURCES));
        assertEquals(USER_SOURCES, userSources());
        ODBC.configureDataSource("SYS", DataSource.Scope.SYSTEM, Map.of("Database", "/tmp/new.db"), null);
        assertEquals("/tmp/new.db", PrivateConfiguration.odbcinstSection("-s", "sys").get("Database"));
        ODBCException wrongDriver = assertThrows(ODBCException.class,
                () -> ODBC.unregisterDataSource("sys", "Other", DataSource.Scope.SYSTEM));
        assertEquals("the data source sys in " + PrivateConfiguration.SYSTEM_SOURCES + " uses the driver SQLite3, not Other",
                wrongDriver.getCause().getMessage());
        ODBC.unregisterDataSource("sys", "SQLite3", DataSource.Scope.SYSTEM);
        assertEquals(List.of("shared"), names(ODBC.listDataSources(DataSource.Scope.SYSTEM)));

        String before = Processes.read(PrivateConfiguration.SYSTEM_SOURCES);
        // A user made for the test, who has no more rights than any other.
        Processes.run("useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin", "rireve-other");
        Processes.Result uid = Processes.run("id", "-u", "rireve-other");
        Assumptions.assumeTrue(uid.exitCode == 0, "not run: useradd is not permitted here: " + uid);
        Processes.Result asOther;
        Processes.Result inFolderNotWritable;
        Processes.Result asMember;
        Path lock = Paths.get(PrivateConfiguration.SYSTEM_SOURCES + ".lock");
        try {
            asOther = runAsOther(uid.stdout.trim(), "nogroup");
            // A member of a group that may write the file and its folder, who cannot give it root's ownership.
            String group = Processes.run("id", "-g", "rireve-other").stdout.trim();
            Files.deleteIfExists(lock);
            // The file writable by the group, its folder not: as /etc/odbc.ini made group-writable in /etc.
            Processes.run("chgrp", group, PrivateConfiguration.SYSTEM_SOURCES.toString());
            Processes.run("chmod", "g+w", PrivateConfiguration.SYSTEM_SOURCES.toString());
            inFolderNotWritable = runAsOther(uid.stdout.trim(), group);
            for (Path shared : List.of(PrivateConfiguration.FOLDER, PrivateConfiguration.SYSTEM_SOURCES)) {
                Processes.run("chgrp", group, shared.toString());
                Processes.run("chmod", "g+w", shared.toString());
            }
            asMember = runAsOther(uid.stdout.trim(), group);
        } finally {
            Processes.run("userdel", "rireve-other");
            Processes.run("chmod", "g-w", PrivateConfiguration.FOLDER.toString());
        }
        Assumptions.assumeTrue(asOther.exitCode == 0, "not run: setpriv cannot run a JVM as rireve-other: " + asOther);
        assertTrue(asOther.stdout.startsWith("threw com.nq.odbc.ODBCException: " + REGISTER_REFUSED + " (cannot write "
                + PrivateConfiguration.SYSTEM_SOURCES + ": Permission denied; system data sources are changed as root"),
                asOther.toString());
        assertTrue(inFolderNotWritable.stdout.startsWith("threw com.nq.odbc.ODBCException: " + REGISTER_REFUSED
                + " (cannot create a file in " + PrivateConfiguration.FOLDER + ": Permission denied; a change replaces "
                + PrivateConfiguration.SYSTEM_SOURCES + " with a new file made in that folder"), inFolderNotWritable.toString());
        assertTrue(asMember.stdout.startsWith("threw com.nq.odbc.ODBCException: " + REGISTER_REFUSED + " (cannot keep "
                + "the owner of " + PrivateConfiguration.SYSTEM_SOURCES + ": Operation not permitted"), asMember.toString());
        assertEquals(before, Processes.read(PrivateConfiguration.SYSTEM_SOURCES));
        assertFalse(Files.exists(lock), "a refused request leaves no lock file for root to refuse");
        ODBC.registerDataSource("after", "SQLite3", Map.of(), DataSource.Scope.SYSTEM);
    }

    static Processes.Result runAsOther(String uid, String group) throws Exception {
        return Processes.run(Map.of(), List.of("setpriv", "--reuid=" + uid, "--regid=" + group, "--clear-groups",
                Processes.java().get(0), "-Xcheck:jni", "-Djava.library.path=" + System.getProperty("java.library.path"),
                "-cp", System.getProperty("rireve.test.classpath"), Child.class.getName(), "register-system", "x",
                "SQLite3"));
    }

    @Test
    void processesEditingOneDataSourceAtOnceLoseNoEntry() throws Exception {
        List<Process> children = new ArrayList<>();
        for (int p = 0; p < 4; p++) {
            children.add(child("edit", "p" + p + "k", "15"));
        }
        for (Process process : children) {
            assertTrue(process.waitFor(3, TimeUnit.MINUTES));
            assertEquals(0, process.exitValue(), new String(process.getInputStream().readAllBytes()));
        }
        Map<String, String> entries = ODBC.findDataSource("mine", DataSource.Scope.USER).getAttributes();
        assertEquals(2 + 60, entries.size(), entries.toString());
        assertEquals("/tmp/mine.db", entries.get("Database"));
        assertEquals("p3k14", entries.get("P3K14"));
    }

    @Test
    void attributeTextTravelsAsWritten() throws Exception {
        assertEquals("demo", ODBC.registerDataSource("demo", "SQLite3", "").getName());
        assertEquals("demo2", ODBC.registerDataSource("demo2", "SQLite3", ";Database=/tmp/ä.db;;Timeout=7;").getName());
        assertEquals("/tmp/ä.db", PrivateConfiguration.odbcinstSection("-s", "demo2").get("Database"));
        assertEquals("7", PrivateConfiguration.odbcinstSection("-s", "demo2").get("Timeout"));
    }

    @Test
    void nonAsciiNamesAreRegisteredAndFoundAsStandardUtf8() throws Exception {
        String name = "Dätä \uD83D\uDE00";
        DataSource registered = ODBC.registerDataSource(name, "SQLite3", (String) null);
        assertEquals(name, registered.getName());
        byte[] file = Files.readAllBytes(PrivateConfiguration.USER_SOURCES);
        String text = new String(file, StandardCharsets.UTF_8);
        assertTrue(text.contains("[" + name + "]"), text);
        assertEquals(List.of("mine", name), PrivateConfiguration.odbcinstSections("-s").subList(0, 2));
        assertTrue(ODBC.unregisterDataSource(name, "SQLite3"));
    }

    @Test
    void aSetupLibraryReceivesTheRequestUnchanged() throws Exception {
        // The setup library accepts without writing anything, so the read-back finds nothing.
        assertNull(ODBC.registerDataSource("viaSetup", SETUP_DRIVER, "Database=/tmp/s.db"));
        assertNull(ODBC.registerDataSource("bare", SETUP_DRIVER, (String) null));
        assertTrue(ODBC.unregisterDataSource("viaSetup", SETUP_DRIVER));
        List<String> calls = Files.readAllLines(SETUP_LOG);
        assertEquals(List.of(
                setupCall(1, "DSN=viaSetup;Database=/tmp/s.db"),
                setupCall(1, "DSN=bare"),
                setupCall(3, "DSN=viaSetup")), calls);
    }

    @Test
    void theCallsBesideTheOriginalFourHandASetupLibraryTheStandardAttributeList() throws Exception {
        assertNull(ODBC.registerDataSource("viaList", SETUP_DRIVER, Map.of("Database", "/tmp/s.db"),
                DataSource.Scope.USER));
        assertNull(ODBC.registerDataSource("empty", SETUP_DRIVER, Map.of(), DataSource.Scope.SYSTEM));
        PrivateConfiguration.write(DRIVERS, SYSTEM_SOURCES, USER_SOURCES + "[viaList]\nDriver=" + SETUP_DRIVER + "\n");
        ODBC.unregisterDataSource("viaList", SETUP_DRIVER, DataSource.Scope.USER);
        assertEquals(List.of(
                setupCall(1, "DSN=viaList\u0000Database=/tmp/s.db"),
                setupCall(1, "DSN=empty"),  // in the system's configuration mode, as unixODBC hands it over
                setupCall(3, "DSN=viaList")), Files.readAllLines(SETUP_LOG));
    }

    @ParameterizedTest(name = "{0} in the {1} scope")
    @CsvSource({"Writing Setup, USER", "Writing Setup, SYSTEM"})
    void aSetupLibraryWritingThroughTheInstallerRunsInAChildAndIsNeverMappedHere(String driver,
            DataSource.Scope scope) throws Exception {
        PrivateConfiguration.write(misbehavingDrivers(), SYSTEM_SOURCES, USER_SOURCES);
        Map<String, String> entries = new java.util.LinkedHashMap<>();
        entries.put("Database", "/tmp/w.db");
        entries.put("Note", "with spaces");
        DataSource written = ODBC.registerDataSource("written", driver, entries, scope);
        assertEquals(scope, written.getScope());
        assertEquals("{Driver=" + driver + ", Database=/tmp/w.db, Note=with spaces}",
                written.getAttributes().toString());
        ODBC.unregisterDataSource("written", driver, scope);
        assertNull(ODBC.findDataSource("written", scope));
        assertFalse(Files.readString(Paths.get("/proc/self/maps")).contains(MISBEHAVING_SETUP),
                "the setup library was mapped into the VM");
    }

    @ParameterizedTest(name = "{0} during {1}")
    @CsvSource(delimiter = '|', value = {
        "Crashing Setup | registration | ended with signal 11 (SIGSEGV) before it answered",
        "Crashing Setup | removal      | ended with signal 11 (SIGSEGV) before it answered",
        "Hanging Setup  | registration | gave no answer within 1.5 s; its process was ended",
        "Hanging Setup  | removal      | gave no answer within 1.5 s; its process was ended"})
    void aSetupLibraryThatCrashesOrHangsIsARefusalThatChangesNoFileAndReleasesTheLock(String driver, String request,
            String why) throws Exception {
        PrivateConfiguration.write(misbehavingDrivers(), SYSTEM_SOURCES,
                USER_SOURCES + "\n; kept as it is\n[victim]\nDriver=" + driver + "\n");
        List<byte[]> before = PrivateConfiguration.snapshot();
        System.setProperty(SETUP_TIMEOUT, "1500");
        ODBCException refused;
        try {
            refused = assertThrows(ODBCException.class, () -> {
                if (request.equals("removal")) {
                    ODBC.unregisterDataSource("victim", driver, DataSource.Scope.USER);
                } else {
                    ODBC.registerDataSource("victim", driver, Map.of("Database", "/tmp/v.db"), DataSource.Scope.USER);
                }
            });
        } finally {
            System.clearProperty(SETUP_TIMEOUT);
        }
        assertEquals(request.equals("removal") ? REMOVE_REFUSED : REGISTER_REFUSED, refused.getMessage());
        assertEquals(ODBCException.Reason.REFUSED, refused.getReason());
        assertEquals("the setup library " + MISBEHAVING_SETUP + (why.startsWith("ended") ? "'s process " : " ") + why
                + "; every configuration file is as it was", refused.getCause().getMessage());
        List<byte[]> after = PrivateConfiguration.snapshot();
        for (int i = 0; i < before.size(); i++) {
            assertArrayEquals(before.get(i), after.get(i), "file " + i + " changed");
        }
        assertEquals(List.of(), Files.list(PrivateConfiguration.FOLDER).map(Path::getFileName).map(Path::toString)
                .filter(name -> name.matches("\\..*\\.ini\\.\\w{6}")).collect(Collectors.toList()), "copies left behind");
        // The VM goes on, and so does the next change: no lock is left held.
        assertEquals("SQLite3", ODBC.registerDataSource("next", "SQLite3", Map.of(), DataSource.Scope.USER)
                .getDriverName());
    }

    /** The private drivers, and three whose setup library writes the data source, then crashes or hangs. */
    static String misbehavingDrivers() {
        StringBuilder drivers = new StringBuilder(DRIVERS);
        for (String name : List.of("Writing Setup", "Crashing Setup", "Hanging Setup")) {
            drivers.append("\n[").append(name).append("]\nDriver=")
                    .append(PrivateConfiguration.driverLibrary("libsqlite3odbc.so")).append("\nSetup=")
                    .append(MISBEHAVING_SETUP).append("\n");
        }
        return drivers.toString();
    }

    @Test
    void badRequestsChangeNothing() throws Exception {
        List<byte[]> before = PrivateConfiguration.snapshot();
        assertUnchanged(before, "DataSource name is null!", () -> ODBC.registerDataSource(null, null, (String) null));
        assertUnchanged(before, "DataSource name is null!", () -> ODBC.registerDataSource(null, "SQLite3", (String) null));
        assertUnchanged(before, "Driver name is null!", () -> ODBC.registerDataSource("x", null, (String) null));
        assertUnchanged(before, "DataSource name is null!", () -> ODBC.unregisterDataSource(null, null));
        assertUnchanged(before, "Driver name is null!", () -> ODBC.unregisterDataSource("mine", null));
        for (String name : List.of("", "n".repeat(33), "a;Driver=x", "[mine]", "a=b", "who?", "a\\b", "a\nb",
                "\uD800", "a\u0000b", "x".repeat(2000))) {
            assertUnchanged(before, "DataSource name is invalid!", () -> ODBC.registerDataSource(name, "SQLite3", (String) null));
            assertUnchanged(before, "DataSource name is invalid!", () -> ODBC.unregisterDataSource(name, "SQLite3"));
        }
        assertUnchanged(before, REGISTER_REFUSED, () -> ODBC.registerDataSource("x", "Uninstalled", (String) null));
        assertUnchanged(before, REGISTER_REFUSED, () -> ODBC.registerDataSource("x", "sqlite3", (String) null));
        assertUnchanged(before, REGISTER_REFUSED, () -> ODBC.registerDataSource("x", "", (String) null));
        for (String hostile : List.of("Driver=MariaDB Unicode", " Driver=/tmp/evil.so", "Driver =x", "\tDriver=x",
                " DSN=other", "dsn=x", "a=1; DRIVER=x", "[evil]=1", " #c=1", ";x=1;[y]")) {
            assertUnchanged(before, "DataSource attribute text is invalid!",
                    () -> ODBC.registerDataSource("x", "SQLite3", hostile));
        }
        for (String name : List.of(" lead", "trail ", " ")) {
            assertUnchanged(before, "DataSource name is invalid!", () -> ODBC.registerDataSource(name, "SQLite3", "a=1"));
        }
        assertUnchanged(before, REGISTER_REFUSED, () -> ODBC.registerDataSource("x", "SQLite3", "Database"));
        assertUnchanged(before, "DataSource attribute text is invalid!",
                () -> ODBC.registerDataSource("x", "SQLite3", "Database=a\n[evil]\nDriver=x"));
        assertUnchanged(before, "DataSource attribute text is invalid!",
                () -> ODBC.registerDataSource("x", "SQLite3", "Database=\uDC00"));
        assertUnchanged(before, REMOVE_REFUSED, () -> ODBC.unregisterDataSource("unknown", "SQLite3"));
        assertUnchanged(before, REMOVE_REFUSED, () -> ODBC.unregisterDataSource("mine", "PostgreSQL Unicode"));
        assertUnchanged(before, REMOVE_REFUSED, () -> ODBC.unregisterDataSource("shared", "SQLite3"));
    }

    @Test
    void everyRefusalSaysWhyInItsCause() throws Exception {
        String path = PrivateConfiguration.USER_SOURCES.toString();
        Object[][] cases = {
            {"DataSource name is null!", "the name argument is null", (Executable) () -> ODBC.registerDataSource(null, "SQLite3")},
            {"Driver name is null!", "the driver argument is null", (Executable) () -> ODBC.unregisterDataSource("x", null)},
            {"DataSource name is invalid!", "the name holds ;", (Executable) () -> ODBC.registerDataSource("a;b", "SQLite3")},
            {"DataSource name is invalid!", "the name is longer than 32 bytes",
                (Executable) () -> ODBC.registerDataSource("n".repeat(33), "SQLite3")},
            {"DataSource name is invalid!", "begins or ends with a blank", (Executable) () -> ODBC.registerDataSource(" a", "SQLite3")},
            {"DataSource attribute text is invalid!", "the key Driver is the request's own",
                (Executable) () -> ODBC.registerDataSource("x", "SQLite3", " Driver=y")},
            {"DataSource attribute text is invalid!", "holds a line break",
                (Executable) () -> ODBC.registerDataSource("x", "SQLite3", "a=1\nb=2")},
            {"DataSource attribute text is too long!", "longer than 1022 bytes",
                (Executable) () -> ODBC.registerDataSource("x", "SQLite3", "a=" + "b".repeat(1100))},
            {REGISTER_REFUSED, "no driver named Uninstalled is installed",
                (Executable) () -> ODBC.registerDataSource("x", "Uninstalled")},
            {REGISTER_REFUSED, "the attribute Database has no value", (Executable) () -> ODBC.registerDataSource("x", "SQLite3", "Database")},
            {REGISTER_REFUSED, "would not fit a line of 999 bytes",
                (Executable) () -> ODBC.registerDataSource("x", "SQLite3", "K=" + "v".repeat(998))},
            {REMOVE_REFUSED, "no data source named unknown in " + path, (Executable) () -> ODBC.unregisterDataSource("unknown", "SQLite3")},
            {REMOVE_REFUSED, "the data source mine in " + path + " uses the driver SQLite3, not PostgreSQL Unicode",
                (Executable) () -> ODBC.unregisterDataSource("mine", "PostgreSQL Unicode")},
        };
        for (Object[] refusal : cases) {
            Throwable thrown = assertThrows(Throwable.class, (Executable) refusal[2]);
            assertEquals(refusal[0], thrown.getMessage());
            assertTrue(thrown.getCause().getMessage().contains((String) refusal[1]), thrown.getCause().getMessage());
        }
        for (String timeout : List.of("soon", "-1", "86400001")) {
            System.setProperty("com.nq.odbc.lockTimeoutMillis", timeout);
            try {
                assertTrue(assertThrows(Throwable.class, () -> ODBC.registerDataSource("x", "SQLite3")).getCause()
                        .getMessage().startsWith("com.nq.odbc.lockTimeoutMillis=" + timeout + " is not a number"));
            } finally {
                System.clearProperty("com.nq.odbc.lockTimeoutMillis");
            }
        }
        Files.writeString(PrivateConfiguration.USER_SOURCES, "# mine\nDriver=SQLite3\n[mine]\nDriver=SQLite3\n");
        assertTrue(assertThrows(Throwable.class, () -> ODBC.registerDataSource("x", "SQLite3")).getCause().getMessage()
                .endsWith("is not laid out as unixODBC's reader reads it: line 2 holds an entry before the first section"));
        // A line that unixODBC reads as two entries is never edited in pieces; the other sections still are.
        String split = "[long]\r\nDriver=SQLite3\r\nLong=" + "x".repeat(1100) + "\r\n[mine]\r\n  Driver = SQLite3\r\n";
        Files.writeString(PrivateConfiguration.USER_SOURCES, split);
        Throwable refused = assertThrows(Throwable.class, () -> ODBC.configureDataSource("long", DataSource.Scope.USER,
                Map.of("Long", "short"), List.of()));
        assertEquals("line 3 of " + path + " is longer than 999 bytes and unixODBC reads it as more than one entry;"
                + " the section [long] is left as it is", refused.getCause().getMessage());
        assertEquals(split, Files.readString(PrivateConfiguration.USER_SOURCES));
        ODBC.configureDataSource("mine", DataSource.Scope.USER, Map.of("Port", "5"), List.of());
        assertEquals(split + "Port=5\r\n", Files.readString(PrivateConfiguration.USER_SOURCES));
        if (Processes.run("chattr", "+i", path).exitCode == 0) {
            try {
                assertTrue(assertThrows(Throwable.class, () -> ODBC.registerDataSource("x", "SQLite3")).getCause()
                        .getMessage().equals("cannot write " + path + ": Operation not permitted"));
            } finally {
                Processes.run("chattr", "-i", path);
            }
        }
        Path small = PrivateConfiguration.FOLDER.resolve("small");
        Files.createDirectories(small);
        if (Processes.run("mount", "-t", "tmpfs", "-o", "size=16k", "tmpfs", small.toString()).exitCode == 0) {
            try {
                Files.delete(PrivateConfiguration.USER_SOURCES);
                Files.createSymbolicLink(PrivateConfiguration.USER_SOURCES, small.resolve("user.ini"));
                Files.writeString(small.resolve("user.ini"), USER_SOURCES);
                Processes.run("sh", "-c", "cat /dev/zero > " + small.resolve("filler") + " 2>/dev/null");
                assertTrue(assertThrows(Throwable.class, () -> ODBC.registerDataSource("x", "SQLite3", "a=" + "b".repeat(900)))
                        .getCause().getMessage().endsWith(": No space left on device"));
                assertEquals(USER_SOURCES, Files.readString(small.resolve("user.ini")));
            } finally {
                Processes.run("umount", small.toString());
            }
        } else {
            System.out.println("full disk case not run: mount -t tmpfs is not permitted here");
        }
    }

    @Test
    void attributeTextMayFill1022Bytes() throws Exception {
        // "DSN=" + name + ";" + attributes: 4 + 1 + 1 + 1016 = 1022 bytes, in two lines.
        String fits = "A=" + "a".repeat(500) + ";B=" + "b".repeat(511);
        assertEquals("n", ODBC.registerDataSource("n", "SQLite3", fits).getName());
        assertTrue(userSources().contains("\nB=" + "b".repeat(511) + "\n"));
        List<byte[]> before = PrivateConfiguration.snapshot();
        assertUnchanged(before, "DataSource attribute text is too long!",
                () -> ODBC.registerDataSource("n", "SQLite3", fits + "b"));
        assertUnchanged(before, "DataSource attribute text is too long!",
                () -> ODBC.registerDataSource("n", "SQLite3", "ä".repeat(509)));
        // unixODBC reads back lines of at most 999 bytes; a longer one would
        // come back cut short.
        assertUnchanged(before, REGISTER_REFUSED,
                () -> ODBC.registerDataSource("n", "SQLite3", "K=" + "v".repeat(998)));
        assertEquals("n", ODBC.registerDataSource("n", "SQLite3", "K=" + "v".repeat(997)).getName());
        assertTrue(userSources().contains("\nK=" + "v".repeat(997) + "\n"));
    }

    @Test
    void concurrentRegistrationsAndListingsSeeAConsistentConfiguration() throws Exception {
        StringBuilder existing = new StringBuilder(USER_SOURCES);
        for (int i = 0; i < 10; i++) {
            existing.append("[kept").append(i).append("]\nDriver=SQLite3\n");
        }
        PrivateConfiguration.write(DRIVERS, SYSTEM_SOURCES, existing.toString());
        Set<String> before = new HashSet<>(names(ODBC.getDataSources()));

        ExecutorService pool = Executors.newFixedThreadPool(9);
        AtomicBoolean registering = new AtomicBoolean(true);
        ConcurrentLinkedQueue<String> problems = new ConcurrentLinkedQueue<>();
        CountDownLatch start = new CountDownLatch(1);
        Future<Integer> lister = pool.submit(() -> {
            start.await();
            int listings = 0;
            while (registering.get()) {
                Set<String> listed = new HashSet<>(names(ODBC.getDataSources()));
                if (!listed.containsAll(before)) {
                    problems.add("a listing missed some of " + before + ": " + listed);
                }
                listings++;
            }
            return listings;
        });
        List<Future<?>> writers = new ArrayList<>();
        for (int t = 0; t < 8; t++) {
            int thread = t;
            writers.add(pool.submit(() -> {
                start.await();
                for (int i = 0; i < 10; i++) {
                    String name = "t" + thread + "n" + i;
                    DataSource added = ODBC.registerDataSource(name, "SQLite3", "Database=/tmp/" + name + ".db");
                    if (added == null || !name.equals(added.getName())) {
                        problems.add("read back " + added + " for " + name);
                    }
                }
                return null;
            }));
        }
        start.countDown();
        for (Future<?> writer : writers) {
            writer.get(5, TimeUnit.MINUTES);
        }
        registering.set(false);
        assertTrue(lister.get(1, TimeUnit.MINUTES) > 0);
        assertEquals(List.of(), new ArrayList<>(problems));

        Set<String> after = new HashSet<>(names(ODBC.getDataSources()));
        assertEquals(before.size() + 80, after.size());

        List<Future<?>> removers = new ArrayList<>();
        for (int t = 0; t < 8; t++) {
            int thread = t;
            removers.add(pool.submit(() -> {
                for (int i = 0; i < 10; i++) {
                    ODBC.unregisterDataSource("t" + thread + "n" + i, "SQLite3");
                }
                return null;
            }));
        }
        for (Future<?> remover : removers) {
            remover.get(5, TimeUnit.MINUTES);
        }
        pool.shutdown();
        assertEquals(before, new HashSet<>(names(ODBC.getDataSources())));
    }

    @Test
    void aChangeTouchesOneSectionAndKeepsTheFilesModeOwnerAndLink() throws Exception {
        String layout = "# my data sources\n\n[mine]\nDriver=SQLite3\n; old=1\nDatabase = /tmp/mine.db\n\n"
                + "# the other one\n[other]\nDriver=SQLite3\n\n  ; trailing comment\n[last]\r\nDriver=SQLite3";
        Path target = PrivateConfiguration.FOLDER.resolve("real-user.ini");
        Files.writeString(target, layout);
        Files.setPosixFilePermissions(target, PosixFilePermissions.fromString("rw-r-----"));
        Files.delete(PrivateConfiguration.USER_SOURCES);
        Files.createSymbolicLink(PrivateConfiguration.USER_SOURCES, target);

        assertEquals("new", ODBC.registerDataSource("new", "SQLite3", " Database = /tmp/new.db ;Timeout=1;timeout=2")
                .getName());
        assertTrue(ODBC.unregisterDataSource("OTHER", "SQLite3"));
        assertEquals("# my data sources\n\n[mine]\nDriver=SQLite3\n; old=1\nDatabase = /tmp/mine.db\n\n"
                + "# the other one\n\n  ; trailing comment\n[last]\r\nDriver=SQLite3\n\n"
                + "[new]\nDriver=SQLite3\nDatabase=/tmp/new.db\nTimeout=2\n", Files.readString(target));
        assertTrue(Files.isSymbolicLink(PrivateConfiguration.USER_SOURCES));
        assertEquals("rw-r-----", PosixFilePermissions.toString(Files.getPosixFilePermissions(target)));
        assertEquals("SQLite3", ODBC.registerDataSource("mine", "SQLite3", "Database=/tmp/2.db").getDriver()
                .getDescription());
        assertTrue(Files.readString(target).startsWith("# my data sources\n\n[mine]\nDriver=SQLite3\n"
                + "Database=/tmp/2.db\n\n# the other one\n"), Files.readString(target));

        Files.delete(PrivateConfiguration.USER_SOURCES);
        ODBC.registerDataSource("fresh", "SQLite3");
        assertEquals("rw-------", PosixFilePermissions.toString(
                Files.getPosixFilePermissions(PrivateConfiguration.USER_SOURCES)), "a new file holds passwords");
        assertEquals("[fresh]\nDriver=SQLite3\n", userSources());
    }

    @Test
    void processesRegisteringAndRemovingAtOnceLoseNothing() throws Exception {
        StringBuilder existing = new StringBuilder(USER_SOURCES);
        for (int i = 0; i < 10; i++) {
            existing.append("[kept").append(i).append("]\nDriver=SQLite3\n[gone").append(i).append("]\nDriver=SQLite3\n");
        }
        PrivateConfiguration.write(DRIVERS, SYSTEM_SOURCES, existing.toString());
        List<Process> children = new ArrayList<>();
        for (int p = 0; p < 4; p++) {
            children.add(child("add", "p" + p + "n", "15"));
        }
        children.add(child("delete", "gone", "10"));
        // A clean-up removing the lock file meanwhile: each writer then takes the new one.
        AtomicBoolean running = new AtomicBoolean(true);
        Thread remover = new Thread(() -> {
            while (running.get() && new java.io.File(PrivateConfiguration.USER_SOURCES + ".lock").delete() | true) {
                LockSupport.parkNanos(200_000_000L);
            }
        });
        remover.start();
        for (Process process : children) {
            assertTrue(process.waitFor(3, TimeUnit.MINUTES));
            assertEquals(0, process.exitValue(), new String(process.getInputStream().readAllBytes()));
        }
        running.set(false);
        remover.join();
        Set<String> listed = new HashSet<>(PrivateConfiguration.odbcinstSections("-s"));
        assertEquals(names(ODBC.getDataSources()), PrivateConfiguration.odbcinstSections("-s"));
        assertEquals(1 + 10 + 60 + 1, listed.size(), listed.toString());
        for (int i = 0; i < 10; i++) {
            assertTrue(listed.contains("kept" + i) && !listed.contains("gone" + i), listed.toString());
        }

        // A registering process killed at any moment leaves a whole file, old or new.
        Random random = new Random();
        for (int round = 0; round < 20; round++) {
            Process churning = child("churn", "c", "100000");
            Thread.sleep(300 + random.nextInt(500));
            churning.destroyForcibly().waitFor();
            List<String> after = PrivateConfiguration.odbcinstSections("-s");
            assertTrue(after.containsAll(listed), "round " + round + ": " + after);
        }
        // The next writer clears what killed ones left: a copy, and the lock file of one killed holding it.
        holdLock(Paths.get(PrivateConfiguration.USER_SOURCES + ".lock"));
        for (Process holder : LOCK_HOLDERS) {
            holder.descendants().forEach(ProcessHandle::destroyForcibly);
            holder.destroyForcibly().waitFor();
        }
        LOCK_HOLDERS.clear();
        assertTrue(leftovers(PrivateConfiguration.USER_SOURCES).contains("user-odbc.ini.lock"));
        ODBC.registerDataSource("after", "SQLite3");
        assertEquals(List.of(), leftovers(PrivateConfiguration.USER_SOURCES));
    }

    @Test
    void aWriterBesideUnixOdbcsInPlaceRewritesLosesNoDataSourceThatWasThere() throws Exception {
        StringBuilder many = new StringBuilder();
        for (int i = 0; i < 500; i++) {
            many.append("[s").append(i).append("]\nDriver=SQLite3\n");
        }
        PrivateConfiguration.write(DRIVERS, SYSTEM_SOURCES, many.toString());
        Path template = PrivateConfiguration.FOLDER.resolve("rewrite.ini");
        Files.writeString(template, "[byOdbcinst]\nDriver=SQLite3\n");
        // Rewrites in place, unlocked, about 5 a second.
        Process rewriting = new ProcessBuilder("sh", "-c", "for i in $(seq 20); do odbcinst -i -s -h -f " + template
                + " >/dev/null; sleep 0.2; done").start();
        try {
            for (int i = 0; rewriting.isAlive() && i < 200; i++) {
                ODBC.registerDataSource("r" + (i % 20), "SQLite3");
            }
            assertTrue(rewriting.waitFor(2, TimeUnit.MINUTES));
        } finally {
            rewriting.destroyForcibly().waitFor();
        }
        List<String> listed = names(ODBC.getDataSources());
        for (int i = 0; i < 500; i++) {
            assertTrue(listed.contains("s" + i), "s" + i + " lost: " + listed.size() + " listed");
        }
    }

    /** What one round beside odbcinst's in-place writes came to; only {@code vanished} must be empty. */
    record Round(int sections, int acknowledged, int lost, int refused, int installs, int lostInstalls, int missed,
            int nulls, List<String> vanished) {
        @Override
        public String toString() {
            return String.format("%8d %12d %5d %8d %9d %13d %7d %5d %s", sections, acknowledged, lost, refused, installs,
                    lostInstalls, missed, nulls, vanished);
        }
    }

    @Test
    void besideUnixOdbcsOwnWritersNoSectionThatWasThereVanishes() throws Exception {
        List<Round> table = new ArrayList<>();
        for (int round = 0; round < Integer.getInteger("rireve.test.soakRounds", 10); round++) {
            table.add(roundBesideOdbcinst(round, round % 2 == 0 ? 3 : 50));
        }
        System.out.println("sections acknowledged  lost  refused  odbcinst  odbcinst-lost  missed nulls vanished");
        table.forEach(System.out::println);
        int acknowledged = table.stream().mapToInt(Round::acknowledged).sum();
        for (Round round : table) {
            assertEquals(List.of(), round.vanished(), table.toString());
            // A change's read-back that meets a rewrite waits for it and reads again.
            assertEquals(0, round.nulls(), table.toString());
        }
        // docs/linux.md's figures for what may still be lost or refused beside unlocked writers.
        assertTrue(table.stream().mapToInt(Round::lost).sum() * 5 <= acknowledged, table.toString());
        assertTrue(table.stream().mapToInt(Round::refused).sum() * 5 <= acknowledged, table.toString());
    }

    /**
     * 8 processes setting keys of "target", 2 registering and removing their own data sources, 2 listing, and
     * odbcinst installing a data source of its own every 200 ms (100 to 400 ms beside the 50-section file).
     */
    static Round roundBesideOdbcinst(int round, int sections) throws Exception {
        List<String> original = new ArrayList<>();
        StringBuilder text = new StringBuilder("# kept\n");
        for (int i = 0; i < sections; i++) {
            String name = i == sections / 2 ? "target" : "keep" + i;
            original.add(name);
            text.append('[').append(name).append("]\nDriver=SQLite3\n").append(i == 0 ? "; a comment\n" : "");
        }
        PrivateConfiguration.write(DRIVERS, SYSTEM_SOURCES, text.toString());
        List<Process> children = new ArrayList<>();
        for (int p = 0; p < 8; p++) {
            children.add(child("beside", "target", "e" + p + "k", "50"));
        }
        for (int p = 0; p < 2; p++) {
            children.add(child("beside", "target", "own" + p + "_", "25"));
            children.add(child("beside", String.join(",", original), "list", "25"));
        }
        List<String> installs = new ArrayList<>();
        Random random = new Random(round);
        Path template = PrivateConfiguration.FOLDER.resolve("template.ini");
        for (int i = 0; children.stream().anyMatch(Process::isAlive); i++) {
            Files.writeString(template, "[oi_" + i + "]\nDriver=SQLite3\n");
            if (Processes.run("odbcinst", "-i", "-s", "-h", "-f", template.toString()).exitCode == 0) {
                installs.add("oi_" + i);
            }
            Thread.sleep(sections == 3 ? 200 : 100 + random.nextInt(300));
        }
        List<String> lines = new ArrayList<>();
        for (Process process : children) {
            assertTrue(process.waitFor(1, TimeUnit.MINUTES));
            lines.addAll(Arrays.asList(new String(process.getInputStream().readAllBytes()).split("\n")));
            assertEquals(0, process.exitValue(), lines.toString());
        }
        lines.stream().filter(line -> line.startsWith("missed ")).distinct().limit(3)
                .forEach(line -> System.out.println("round " + round + " " + line));
        lines.stream().filter(line -> line.startsWith("refused ")).map(line -> line.replaceAll("^refused \\S+ ", ""))
                .distinct().forEach(reason -> System.out.println("round " + round + " refused " + reason));
        Set<String> remaining = new HashSet<>(PrivateConfiguration.odbcinstSections("-s"));
        DataSource target = ODBC.findDataSource("target", DataSource.Scope.USER);
        Map<String, String> entries = target == null ? Map.of() : target.getAttributes();
        List<String> acknowledged = lines.stream().filter(line -> line.startsWith("acknowledged "))
                .map(line -> line.substring("acknowledged ".length())).collect(Collectors.toList());
        return new Round(sections, acknowledged.size(),
                (int) acknowledged.stream().filter(key -> !entries.containsKey(key)).count(),
                (int) lines.stream().filter(line -> line.startsWith("refused ")).count(), installs.size(),
                (int) installs.stream().filter(name -> !remaining.contains(name)).count(),
                (int) lines.stream().filter(line -> line.startsWith("missed ")).count(),
                (int) lines.stream().filter(line -> line.startsWith("null ")).count(),
                original.stream().filter(name -> !remaining.contains(name)).collect(Collectors.toList()));
    }

    @Test
    void aRegistrationWaitsOnlyForTheListingsAlreadyRunning() throws Exception {
        StringBuilder many = new StringBuilder();
        for (int i = 0; i < 3000; i++) {
            many.append("[s").append(i).append("]\nDriver=SQLite3\nDatabase=/tmp/s.db\n");
        }
        PrivateConfiguration.write(DRIVERS, SYSTEM_SOURCES, many.toString());
        for (int listers : List.of(2, 4)) {
            ExecutorService pool = Executors.newFixedThreadPool(listers);
            AtomicBoolean listing = new AtomicBoolean(true);
            ConcurrentLinkedQueue<Long> listingTimes = new ConcurrentLinkedQueue<>();
            for (int t = 0; t < listers; t++) {
                pool.submit(() -> {
                    while (listing.get()) {
                        long start = System.nanoTime();
                        ODBC.getDataSources();
                        listingTimes.add(System.nanoTime() - start);
                    }
                    return null;
                });
            }
            Thread.sleep(500);
            List<Long> registrations = new ArrayList<>();
            for (int i = 0; i < 5; i++) {
                long start = System.nanoTime();
                ODBC.registerDataSource("w" + i, "SQLite3", "Database=/tmp/w.db");
                registrations.add(System.nanoTime() - start);
            }
            listing.set(false);
            pool.shutdown();
            assertTrue(pool.awaitTermination(1, TimeUnit.MINUTES));
            long slowestListing = listingTimes.stream().max(Long::compare).orElseThrow();
            // Its wait (a listing at most), its write, and its read-back (a listing's read).
            for (long registration : registrations) {
                assertTrue(registration < 3 * slowestListing + 100_000_000L,
                        listers + " listers: " + registrations + " against listings of at most " + slowestListing);
            }
        }
    }

    /** A set-up of the user file that no change may go through, and the reason given. */
    record Refusal(String name, String reason, Executable arrange) {
    }

    @Test
    void aFileThatCannotBeChangedSafelyIsRefusedWithItsReasonBeforeAnythingIsCreated() throws Throwable {
        Path user = PrivateConfiguration.USER_SOURCES;
        Path folder = PrivateConfiguration.FOLDER;
        Path shared = folder.resolve("shared");
        Path lock = Paths.get(user + ".lock");
        List<Refusal> refusals = List.of(
                new Refusal("hard link", "has 2 hard links", () -> Files.createLink(folder.resolve("twin.ini"), user)),
                new Refusal("/dev/null", "/dev/null is a character device", () -> link(user, Paths.get("/dev/null"))),
                new Refusal("FIFO", "is a FIFO, not a regular file", () -> replace(user, "mkfifo")),
                new Refusal("folder", "is a folder, not a regular file", () -> replace(user, "mkdir")),
                new Refusal("no folder", "nowhere: No such file", () -> link(user, folder.resolve("nowhere/u.ini"))),
                new Refusal("lock link", "is a symbolic link", () -> link(lock, folder.resolve("lock-target"))),
                new Refusal("lock FIFO", "is a FIFO", () -> replace(lock, "mkfifo")),
                new Refusal("planted file", "is owned by user 12345", () -> plant(user, shared, "touch")),
                new Refusal("planted link", "is owned by user 12345", () -> plant(user, shared, "ln -s /etc/shadow")),
                new Refusal("planted lock", "u.ini.lock is owned by user 12345", () -> plant(user, shared, "lock")),
                new Refusal("held lock", "timed out after 300 ms waiting for the lock", () -> holdLock(lock)));
        for (Refusal refusal : refusals) {
            configure();
            refusal.arrange().execute();
            List<String> drivers = List.of(Files.readString(PrivateConfiguration.DRIVERS),
                    Files.readString(PrivateConfiguration.SYSTEM_SOURCES));
            System.setProperty("com.nq.odbc.lockTimeoutMillis", "300");
            try {
                Throwable thrown = assertTimeoutPreemptively(Duration.ofSeconds(10),
                        () -> assertThrows(Throwable.class, () -> ODBC.registerDataSource("x", "SQLite3"), refusal.name()));
                assertEquals(REGISTER_REFUSED, thrown.getMessage(), refusal.name());
                assertTrue(thrown.getCause().getMessage().contains(refusal.reason()),
                        refusal.name() + ": " + thrown.getCause().getMessage());
            } finally {
                System.clearProperty("com.nq.odbc.lockTimeoutMillis");
                LOCK_HOLDERS.forEach(Process::destroyForcibly);
                Processes.run("sh", "-c", "rm -rf " + shared + " " + user + " " + lock + " " + folder + "/twin.ini "
                        + folder + "/lock-target");
            }
            assertEquals(drivers, List.of(Files.readString(PrivateConfiguration.DRIVERS),
                    Files.readString(PrivateConfiguration.SYSTEM_SOURCES)), refusal.name());
            assertFalse(Files.exists(Paths.get("/dev/null.lock")) || Files.exists(folder.resolve("lock-target")),
                    refusal.name() + " created a file through a link");
        }
        // Listings never block on a FIFO either: they say what it is.
        replace(user, "mkfifo");
        Throwable listing = assertTimeoutPreemptively(Duration.ofSeconds(10),
                () -> assertThrows(Throwable.class, ODBC::getDataSources));
        assertEquals("Could not read ODBC configuration!", listing.getMessage());
        assertTrue(listing.getCause().getMessage().endsWith("is a FIFO, not a regular file"), listing.toString());
        Files.delete(user);
    }

    @Test
    void aChangeKeepsLinksAclsAndExtendedAttributesAndRemovesDeadCopies() throws Exception {
        Path user = PrivateConfiguration.USER_SOURCES;
        Path folder = PrivateConfiguration.FOLDER;
        Path middle = folder.resolve("middle.ini");
        Files.delete(user);
        Files.createSymbolicLink(user, middle);
        Files.createSymbolicLink(middle, folder.resolve("final.ini"));
        ODBC.registerDataSource("chained", "SQLite3");
        assertTrue(Files.isSymbolicLink(user) && Files.isSymbolicLink(middle), "every link stays a link");
        assertEquals("[chained]\nDriver=SQLite3\n", Files.readString(folder.resolve("final.ini")));

        Path target = folder.resolve("final.ini");
        UserDefinedFileAttributeView attributes = Files.getFileAttributeView(target, UserDefinedFileAttributeView.class);
        attributes.write("rireve", StandardCharsets.UTF_8.encode("kept"));
        boolean acls = Processes.run("setfacl", "-m", "u:12345:r--,g::---", target.toString()).exitCode == 0;
        Path dead = folder.resolve(".final.ini.Ab12Cd");
        Path alive = folder.resolve(".final.ini.keep");
        Files.writeString(dead, "Password=secret");
        Files.writeString(alive, "");
        ODBC.registerDataSource("second", "SQLite3");
        assertEquals(List.of("rireve"), attributes.list());
        if (acls) {
            assertTrue(Processes.run("getfacl", "-c", target.toString()).stdout.contains("user:12345:r--\ngroup::---"),
                    Processes.run("getfacl", "-c", target.toString()).stdout);
        } else {
            System.out.println("ACL case not run: setfacl is not installed");
        }
        assertFalse(Files.exists(dead), "a dead writer's copy is removed");
        assertTrue(Files.exists(alive), "other files stay");
    }

    @Test
    void aFileThisUserMayNotWriteIsRefused() throws Exception {
        Path folder = Files.createTempDirectory(PrivateConfiguration.FOLDER, "other-user");
        Path file = folder.resolve("user.ini");
        Files.writeString(file, USER_SOURCES);
        Files.setPosixFilePermissions(file, PosixFilePermissions.fromString("r--r--r--"));
        Processes.run("chown", "-R", "12345:12345", folder.toString());
        Processes.Result asOther = Processes.run(Map.of("ODBCINI", file.toString()), List.of("setpriv",
                "--reuid=12345", "--regid=12345", "--clear-groups", Processes.java().get(0), "-Xcheck:jni",
                "-Djava.library.path=" + System.getProperty("java.library.path"), "-cp",
                System.getProperty("rireve.test.classpath"), Child.class.getName(), "register", "x", "SQLite3"));
        Assumptions.assumeTrue(asOther.exitCode == 0, "not run: setpriv cannot run a JVM as user 12345: " + asOther);
        assertTrue(asOther.stdout.startsWith("threw java.lang.Throwable: " + REGISTER_REFUSED + " (cannot write "
                + file + ": Permission denied)"), asOther.toString());
        assertEquals(USER_SOURCES, Files.readString(file));
    }

    static final String SQLITE = PrivateConfiguration.driverLibrary("libsqlite3odbc.so");

    static Map<String, String> driverEntries(String library, String description) {
        Map<String, String> entries = new java.util.LinkedHashMap<>();
        entries.put("Driver", library);
        entries.put("Description", description);
        return entries;
    }

    static String usageCount(Map<String, String> environment, String name) throws Exception {
        Processes.Result shown = Processes.run(environment, List.of("odbcinst", "-q", "-d", "-n", name));
        return shown.stdout.lines().filter(line -> line.startsWith("UsageCount=")).findFirst().orElse("(gone)");
    }

    @Test
    void driversCountTheirUsesAsOdbcinstDoes() throws Exception {
        // A twin configuration that odbcinst alone changes, step by step beside the library.
        Path twin = PrivateConfiguration.FOLDER.resolve("twin");
        Files.createDirectories(twin);
        Files.writeString(twin.resolve("odbcinst.ini"), DRIVERS);
        Files.writeString(twin.resolve("template.ini"), "[Foo]\nDriver=" + SQLITE + "\nDescription=foo\n");
        Map<String, String> atTwin = Map.of("ODBCSYSINI", twin.toString());
        List<String> ours = new ArrayList<>();
        List<String> theirs = new ArrayList<>();
        for (String step : List.of("install", "install", "remove", "remove")) {
            DriverUsage usage = step.equals("install")
                    ? ODBC.installDriver("Foo", driverEntries(SQLITE, "foo"), DataSource.Scope.SYSTEM, false)
                    : ODBC.removeDriver("Foo", DataSource.Scope.SYSTEM, false);
            Processes.run(atTwin, step.equals("install") ? List.of("odbcinst", "-i", "-d", "-f", twin + "/template.ini")
                    : List.of("odbcinst", "-u", "-d", "-n", "Foo"));
            ours.add(usageCount(Map.of(), "Foo") + " " + usage.getUsageCount() + " " + usage.isInstalled());
            theirs.add(usageCount(atTwin, "Foo"));
        }
        assertEquals(List.of("UsageCount=1 1 true", "UsageCount=2 2 true", "UsageCount=1 1 true", "(gone) 0 false"), ours);
        assertEquals(List.of("UsageCount=1", "UsageCount=2", "UsageCount=1", "(gone)"), theirs);
        assertEquals(DRIVERS, Processes.read(PrivateConfiguration.DRIVERS).replaceAll("\n+$", "\n"));
    }

    @Test
    void anInstalledDriverServesIsqlIsEditedInPlaceAndGoesWithItsDataSourcesWhenAsked() throws Exception {
        ODBC.installDriver("Mine", driverEntries(SQLITE, "mine"), DataSource.Scope.USER);
        assertTrue(PrivateConfiguration.odbcinstSections("-d").contains("Mine"));
        ODBC.registerDataSource("viaMine", "Mine", Map.of("Database", PrivateConfiguration.FOLDER + "/m.db"),
                DataSource.Scope.USER);
        ODBC.registerDataSource("sysMine", "Mine", Map.of(), DataSource.Scope.SYSTEM);
        assertEquals(0, isql("viaMine", "SELECT 1\n").exitCode);

        Path userDrivers = PrivateConfiguration.FOLDER.resolve(".odbcinst.ini");
        String before = "# kept\n" + Files.readString(userDrivers).replace("Description=mine\n", "Description = mine\n;x\n");
        Files.writeString(userDrivers, before);
        ODBC.configureDriver("Mine", DataSource.Scope.USER, Map.of("CPTimeout", "60"), List.of("Description"));
        assertEquals(before.replace("Description = mine\n", "").replace("UsageCount=1\n", "UsageCount=1\nCPTimeout=60\n"),
                Files.readString(userDrivers));

        ODBCException other = assertThrows(ODBCException.class, () -> ODBC.installDriver("Mine",
                driverEntries("/other.so", "other"), DataSource.Scope.USER, false));
        assertEquals("Error trying to install ODBC driver!", other.getMessage());
        assertTrue(other.getCause().getMessage().endsWith("is installed with the library " + SQLITE + ", not /other.so;"
                + " ask for replacement to install this one in its place"), other.getCause().getMessage());
        assertEquals(2, ODBC.installDriver("Mine", driverEntries(SQLITE, "again"), DataSource.Scope.USER, true)
                .getUsageCount());
        assertEquals("again", ODBC.findDriver("Mine").getAttribute("Description"));

        assertEquals(1, ODBC.removeDriver("Mine", DataSource.Scope.USER, false).getUsageCount());
        DriverUsage kept = ODBC.removeDriver("Mine", DataSource.Scope.USER, false);
        assertEquals("usage count 0, installed, still used by [viaMine (user), sysMine (system)]", kept.toString());
        // A system file this process may not change keeps its data source, and the driver for it.
        Processes.run("chattr", "+i", PrivateConfiguration.SYSTEM_SOURCES.toString());
        try {
            DriverUsage partly = ODBC.removeDriver("Mine", DataSource.Scope.USER, true);
            Assumptions.assumeTrue(!partly.getDataSourcesLeft().isEmpty(), "chattr +i is not permitted here");
            assertEquals("usage count 0, installed, data sources removed [viaMine (user)], still used by [sysMine (system)]",
                    partly.toString());
        } finally {
            Processes.run("chattr", "-i", PrivateConfiguration.SYSTEM_SOURCES.toString());
        }
        assertEquals("usage count 0, removed, data sources removed [sysMine (system)]",
                ODBC.removeDriver("Mine", DataSource.Scope.USER, true).toString());
        assertFalse(PrivateConfiguration.odbcinstSections("-d").contains("Mine"));
        assertNotEquals(0, isql("viaMine", "SELECT 1\n").exitCode);
    }

    @ParameterizedTest(name = "{0}")
    @CsvSource(delimiter = '|', value = {
        "a]b|Driver=x|Driver name is invalid!|the driver's name holds ], which ends a section's name",
        "ODBC|Driver=x|Driver name is invalid!|ODBC is the driver manager's own section, not a driver",
        "' pad'|Driver=x|Driver name is invalid!|the driver's name begins or ends with a blank",
        "NoLibrary|Description=x|Error trying to install ODBC driver!|the driver NoLibrary has no Driver entry naming its library",
        "BadKey|[x=1|DataSource attribute text is invalid!|the key [x would start a section or a comment in the profile file",
    })
    void driverRequestsThatBreakARuleChangeNothing(String name, String entry, String message, String reason)
            throws Exception {
        List<byte[]> before = PrivateConfiguration.snapshot();
        String[] pair = entry.split("=", 2);
        ODBCException refused = assertThrows(ODBCException.class,
                () -> ODBC.installDriver(name, Map.of(pair[0], pair[1]), DataSource.Scope.SYSTEM, false));
        assertEquals(message + " " + reason, refused.getMessage() + " " + refused.getCause().getMessage());
        ODBCException absent = assertThrows(ODBCException.class, () -> ODBC.removeDriver("Nope", DataSource.Scope.SYSTEM, false));
        assertEquals("no driver named Nope in " + PrivateConfiguration.DRIVERS, absent.getCause().getMessage());
        String path = PrivateConfiguration.DRIVERS.toString();
        if (Processes.run("chattr", "+i", path).exitCode == 0) {
            try {
                assertEquals("cannot write " + path + ": Operation not permitted; the system's drivers are installed as root"
                        + " (or by a user who may write the file and its folder)", assertThrows(ODBCException.class,
                        () -> ODBC.installDriver("Fine", Map.of("Driver", "x"), DataSource.Scope.SYSTEM, false))
                        .getCause().getMessage());
            } finally {
                Processes.run("chattr", "-i", path);
            }
        }
        for (int i = 0; i < before.size(); i++) {
            assertArrayEquals(before.get(i), PrivateConfiguration.snapshot().get(i), "file " + i + " changed");
        }
    }

    @Test
    void tracingTurnedOnReallyTraces() throws Exception {
        // A short path: unixODBC 2.3.11 cuts a longer TraceFile (seen at 62 and 66 bytes) and traces into that.
        Path trace = Files.createTempFile("rireve-trace", ".log");
        Files.delete(trace);
        DriverManagerSettings on = ODBC.configureDriverManager(Map.of("Trace", "Yes", "TraceFile", trace.toString()), null);
        assertEquals("Yes", on.get("trace"));
        assertEquals(PrivateConfiguration.DRIVERS.toString(), on.getPath());
        final Processes.Result traced = isql("shared", "SELECT 1\n");
        assertEquals(0, traced.exitCode);
        if (!Files.exists(trace) || Files.size(trace) == 0) {
            throw new AssertionError("no trace written by " + traced + " with " + PrivateConfiguration.DRIVERS + ":\n"
                    + Processes.read(PrivateConfiguration.DRIVERS) + "in "
                    + Processes.run("ls", "-la", PrivateConfiguration.FOLDER.toString()).stdout);
        }
        assertTrue(Files.readString(trace).contains("SQLConnect") || Files.readString(trace).contains("SQLDriverConnect"));
        assertEquals("No", ODBC.configureDriverManager(Map.of("Trace", "No"), List.of("TraceFile")).get("Trace"));
        Files.delete(trace);
        assertEquals(0, isql("shared", "SELECT 1\n").exitCode);
        assertFalse(Files.exists(trace), "traced while off");
    }

    @Test
    void fileDataSourcesAreWrittenReadConnectedThroughAndRemoved() throws Exception {
        Path folder = PrivateConfiguration.FOLDER.resolve("ODBCDataSources");
        Files.createDirectories(folder);
        assertEquals(folder.toString(), ODBC.getFileDataSourceFolder());
        Map<String, String> entries = new java.util.LinkedHashMap<>();
        entries.put("DRIVER", "SQLite3");
        entries.put("Database", PrivateConfiguration.FOLDER + "/f.db");
        FileDataSource written = ODBC.writeFileDataSource("demo", entries);
        assertEquals(folder.resolve("demo.dsn").toString(), written.getPath());
        assertTrue(ODBC.testConnection("FILEDSN=" + written.getPath(), Duration.ofSeconds(10)).isConnected());
        Files.writeString(folder.resolve("demo.dsn"), "; mine\n" + Files.readString(folder.resolve("demo.dsn")));
        ODBC.writeFileDataSource(written.getPath(), Map.of("DRIVER", "SQLite3", "Timeout", "5"));
        assertEquals("; mine\n[ODBC]\nDRIVER=SQLite3\nTimeout=5\n", Files.readString(folder.resolve("demo.dsn")));
        assertEquals(List.of(folder.resolve("demo.dsn").toString()),
                ODBC.listFileDataSources(null).stream().map(FileDataSource::getPath).collect(Collectors.toList()));
        assertEquals("5", ODBC.readFileDataSource("demo.dsn").get("timeout"));
        assertEquals("the file data source ../odbc.ini leads out of the folder; give a full path for a file elsewhere",
                assertThrows(ODBCException.class, () -> ODBC.readFileDataSource("../odbc.ini")).getCause().getMessage());
        assertEquals(PrivateConfiguration.SYSTEM_SOURCES + " is not a file data source: it has no [ODBC] section",
                assertThrows(ODBCException.class, () -> ODBC.removeFileDataSource(PrivateConfiguration.SYSTEM_SOURCES
                        .toString())).getCause().getMessage());
        assertEquals(SYSTEM_SOURCES, Processes.read(PrivateConfiguration.SYSTEM_SOURCES));
        ODBC.removeFileDataSource("demo");
        assertEquals(List.of(), ODBC.listFileDataSources(folder.toString()));
    }

    /** The lock file and the copies that changes of the file make beside it. */
    static List<String> leftovers(Path file) throws Exception {
        String name = file.getFileName().toString();
        try (var files = Files.list(file.getParent())) {
            return files.map(each -> each.getFileName().toString())
                    .filter(each -> each.equals(name + ".lock") || each.startsWith("." + name + ".")).sorted()
                    .collect(Collectors.toList());
        }
    }

    /** Every file under the folder, by its path there. */
    static Set<String> filesUnder(Path folder) throws Exception {
        try (var files = Files.walk(folder)) {
            return files.map(each -> folder.relativize(each).toString()).collect(Collectors.toSet());
        }
    }

    /** A change, and the files it means to have left, beside those there before the first. */
    record Change(String name, Executable make, List<String> leaves) {
    }

    @Test
    void everyKindOfChangeLeavesNoFileItDidNotMeanToLeave() throws Throwable {
        Path folder = PrivateConfiguration.FOLDER;
        Files.createDirectories(folder.resolve("ODBCDataSources"));
        Files.deleteIfExists(folder.resolve(".odbcinst.ini"));
        DataSource.Scope user = DataSource.Scope.USER;
        DataSource.Scope system = DataSource.Scope.SYSTEM;
        String dsn = "ODBCDataSources/sales.dsn";
        List<Change> changes = List.of(
                new Change("register", () -> ODBC.registerDataSource("demo", "SQLite3", Map.of(), user), List.of()),
                new Change("edit", () -> ODBC.configureDataSource("demo", user, Map.of("Port", "1"), null), List.of()),
                new Change("refused edit", () -> assertThrows(ODBCException.class,
                        () -> ODBC.configureDataSource("nope", user, Map.of("Port", "1"), null)), List.of()),
                new Change("remove", () -> ODBC.unregisterDataSource("demo", "SQLite3", user), List.of()),
                new Change("register system", () -> ODBC.registerDataSource("sys", "SQLite3", Map.of(), system), List.of()),
                new Change("remove system", () -> ODBC.unregisterDataSource("sys", "SQLite3", system), List.of()),
                new Change("install user driver", () -> ODBC.installDriver("Mine", driverEntries(SQLITE, "m"), user),
                        List.of(".odbcinst.ini")),
                new Change("configure user driver", () -> ODBC.configureDriver("Mine", user, Map.of("A", "1"), null),
                        List.of(".odbcinst.ini")),
                new Change("remove user driver", () -> ODBC.removeDriver("Mine", user, false), List.of()),
                new Change("install system driver", () -> ODBC.installDriver("Sys", driverEntries(SQLITE, "s"), system),
                        List.of()),
                new Change("remove system driver", () -> ODBC.removeDriver("Sys", system, false), List.of()),
                new Change("settings", () -> ODBC.configureDriverManager(Map.of("Trace", "No"), null), List.of()),
                new Change("write file data source", () -> ODBC.writeFileDataSource("sales",
                        Map.of("DRIVER", "SQLite3")), List.of(dsn)),
                new Change("rewrite file data source", () -> ODBC.writeFileDataSource("sales",
                        Map.of("DRIVER", "SQLite3", "Port", "2")), List.of(dsn)),
                new Change("remove file data source", () -> ODBC.removeFileDataSource("sales"), List.of()));
        Set<String> before = filesUnder(folder);
        for (Change change : changes) {
            change.make().execute();
            Set<String> expected = new HashSet<>(before);
            expected.addAll(change.leaves());
            assertEquals(new java.util.TreeSet<>(expected), new java.util.TreeSet<>(filesUnder(folder)), change.name());
        }
    }

    static void link(Path link, Path target) throws Exception {
        Files.deleteIfExists(link);
        Files.createSymbolicLink(link, target);
    }

    static void replace(Path file, String command) throws Exception {
        Files.deleteIfExists(file);
        assertEquals(0, Processes.run(command, file.toString()).exitCode, command);
    }

    /** The user file as a link into a shared folder, where user 12345 planted a file, a link or the lock. */
    static void plant(Path user, Path shared, String what) throws Exception {
        Files.createDirectories(shared);
        assertEquals(0, Processes.run("chmod", "1777", shared.toString()).exitCode);
        Path planted = shared.resolve("u.ini");
        link(user, planted);
        String plant = what.equals("lock") ? "touch " + planted + " " + planted + ".lock && chown -h 12345 " + planted
                + ".lock" : what + " " + planted + " && chown -h 12345 " + planted;
        assertEquals(0, Processes.run("sh", "-c", plant).exitCode, plant);
    }

    static final List<Process> LOCK_HOLDERS = new ArrayList<>();

    static void holdLock(Path lock) throws Exception {
        LOCK_HOLDERS.add(new ProcessBuilder("flock", lock.toString(), "sleep", "30").start());
        for (int i = 0; i < 100 && Processes.run("flock", "-n", lock.toString(), "true").exitCode == 0; i++) {
            Thread.sleep(50);
        }
    }

    static Process child(String... arguments) throws Exception {
        return Processes.startChild("-Djava.library.path=" + System.getProperty("java.library.path"), arguments);
    }

    static void assertUnchanged(List<byte[]> before, String message, Executable call) throws Exception {
        assertRaises(message, call);
        List<byte[]> after = PrivateConfiguration.snapshot();
        for (int i = 0; i < before.size(); i++) {
            assertArrayEquals(before.get(i), after.get(i), message + ": file " + i + " changed");
        }
        assertFalse(Files.exists(SETUP_LOG), "the setup library was called");
    }

    /** The user file as written; odbcinst shows at most 500 bytes of a value. */
    static String userSources() throws Exception {
        return Processes.read(PrivateConfiguration.USER_SOURCES);
    }

    static String setupCall(int request, String text) {
        StringBuilder hex = new StringBuilder();
        for (byte b : text.getBytes(StandardCharsets.UTF_8)) {
            hex.append(String.format("%02x", b));
        }
        return "parent=(nil) request=" + request + " driver=" + SETUP_DRIVER + " attributes=" + hex + "0000";
    }

    /** States applied to the configuration, with unixODBC's odbcinst reading the result. */
    @Nested
    class ConfigurationAsCode {
        final Path secret = PrivateConfiguration.FOLDER.resolve("sales.secret");

        String sources(String... sources) {
            return "{\"version\": 1, \"dataSources\": [" + String.join(", ", sources) + "]}";
        }

        String source(String name, String scope, String entries) {
            return "{\"name\": \"" + name + "\", \"scope\": \"" + scope + "\", \"driver\": \"SQLite3\", \"entries\": {"
                    + entries + "}}";
        }

        @Test
        void eachStateIsAppliedOnceAndOdbcinstReadsWhatItSays() throws Exception {
            Files.writeString(secret, "s3cret\nsecond line\n");
            String acme = "{\"version\": 1, \"drivers\": [{\"name\": \"Acme\", \"scope\": \"system\", \"entries\": "
                    + "{\"Driver\": \"/opt/acme.so\"}}]}";
            String other = "{\"version\": 1, \"drivers\": [{\"name\": \"SQLite3\", \"scope\": \"system\", \"entries\": "
                    + "{\"Driver\": \"" + PrivateConfiguration.driverLibrary("libsqlite3odbc.so") + "\"}}]}";
            // state, prune, the changes, the section odbcinst shows (-s or -d, name), its pairs then (null: gone)
            Object[][] cases = {
                {sources(source("sales", "user", "\"Database\": \"/tmp/sales.db\"")), false,
                    "[ADD [sales] Driver: - -> SQLite3, ADD [sales] Database: - -> /tmp/sales.db]", "-s", "sales",
                    Map.of("Driver", "SQLite3", "Database", "/tmp/sales.db")},
                {sources(source("mine", "user", "\"Database\": \"/tmp/new.db\"")), false,
                    "[CHANGE [mine] Database: /tmp/mine.db -> /tmp/new.db]", "-s", "mine",
                    Map.of("Driver", "SQLite3", "Database", "/tmp/new.db")},
                {sources(source("other", "user", "")), true,
                    "[ADD [other] Driver: - -> SQLite3, REMOVE [mine] Driver: SQLite3 -> -, REMOVE [mine] Database: /tmp/mine.db -> -]",
                    "-s", "mine", null},
                {sources(source("mine", "user", "\"PWD\": {\"file\": \"" + secret + "\"}, \"UID\": {\"env\": \"HOME\"}")),
                    false, "[ADD [mine] PWD: - -> ********, ADD [mine] UID: - -> ********]", "-s", "mine",
                    Map.of("Driver", "SQLite3", "Database", "/tmp/mine.db", "PWD", "s3cret", "UID", System.getenv("HOME"))},
                {acme, false, "[INSTALL [Acme] Driver: - -> /opt/acme.so, INSTALL [Acme] UsageCount: - -> 1]", "-d", "Acme",
                    Map.of("Driver", "/opt/acme.so", "UsageCount", "1")},
            };
            for (Object[] each : cases) {
                configure();
                String state = (String) each[0];
                boolean prune = (Boolean) each[1];
                List<byte[]> before = PrivateConfiguration.snapshot();
                ConfigurationApplied checked = ODBC.apply(state, true, prune);
                assertEquals(each[2], checked.getChanges().toString(), state);
                assertEquals(checked.getChanges(), ODBC.plan(state, prune).getChanges());
                assertUnchangedFiles(before, "a check writes nothing");
                ConfigurationApplied applied = ODBC.apply(state, false, prune);
                assertTrue(applied.isChanged(), state);
                assertEquals(each[2], applied.getChanges().toString());
                assertEquals(each[5], each[5] == null ? null : PrivateConfiguration.odbcinstSection((String) each[3], (String) each[4]));
                if (each[5] == null) {
                    assertFalse(PrivateConfiguration.odbcinstSections((String) each[3]).contains(each[4]), state);
                }
                List<byte[]> once = PrivateConfiguration.snapshot();
                List<Long> times = modificationTimes();
                ConfigurationApplied again = ODBC.apply(state, false, prune);
                assertFalse(again.isChanged(), again.toString());
                assertUnchangedFiles(once, "applied again");
                assertEquals(times, modificationTimes(), "applied again");
            }
            // The secret's file is its owner's alone; the driver the state installed, pruned, is counted off once.
            configure();
            ODBC.apply((String) cases[3][0], false, false);
            assertEquals("rw-------", PosixFilePermissions.toString(Files.getPosixFilePermissions(PrivateConfiguration.USER_SOURCES)));
            ODBC.apply(acme, false, false);
            ConfigurationApplied pruned = ODBC.apply(other, false, true);
            assertTrue(pruned.getChanges().toString().contains("COUNT [Acme] UsageCount: 1 -> -"), pruned.toString());
            assertFalse(PrivateConfiguration.odbcinstSections("-d").contains("Acme"));
        }

        @Test
        void anExportAppliesUnchangedItsSecretsRedactedAndKept() throws Exception {
            Files.writeString(PrivateConfiguration.USER_SOURCES, "[mine]\nDriver=SQLite3\nPWD=hidden\n");
            String exported = ODBC.exportConfiguration(false);
            assertTrue(exported.contains("\"PWD\": {\n          \"redacted\": true"), exported);
            assertFalse(exported.contains("hidden"));
            assertTrue(ODBC.exportConfiguration(true).contains("\"PWD\": \"hidden\""));
            List<byte[]> before = PrivateConfiguration.snapshot();
            assertFalse(ODBC.apply(exported, false, true).isChanged());
            assertUnchangedFiles(before, "an export applied");
            ConfigurationPlan plan = ODBC.plan(exported.replace("\"Database\": \"/tmp/shared.db\"", "\"Database\": \"/tmp/s.db\""),
                    false, true);
            assertEquals("[CHANGE [shared] Database: /tmp/shared.db -> /tmp/s.db]", plan.getChanges().toString());
            assertEquals("--- " + PrivateConfiguration.SYSTEM_SOURCES + "\n+++ " + PrivateConfiguration.SYSTEM_SOURCES
                    + "\n@@ -1,3 +1,3 @@\n [shared]\n Driver=SQLite3\n-Database=/tmp/shared.db\n+Database=/tmp/s.db\n",
                    plan.getDiffs().get(PrivateConfiguration.SYSTEM_SOURCES.toString()));
        }

        @Test
        void aFaultOrAnUnresolvedReferenceRaisesAndALaterFileRefusedPutsTheEarlierBack() throws Exception {
            Object[][] refused = {
                {null, "ODBC configuration state is null!", "the state argument is null"},
                {"{\"version\": 1, \"dataSources\": [{\"name\": \"a\", \"scope\": \"all\"}]}",
                    "ODBC configuration state is invalid!", "$.dataSources[0].scope: must be \"user\" or \"system\""},
                {sources(source("mine", "user", "\"PWD\": {\"env\": \"RIREVE_NO_SUCH_SECRET\"}")),
                    "ODBC configuration state is invalid!",
                    "$.dataSources[0].entries.PWD: the environment variable RIREVE_NO_SUCH_SECRET is not set"},
            };
            List<byte[]> before = PrivateConfiguration.snapshot();
            for (Object[] each : refused) {
                ODBCException e = assertThrows(ODBCException.class, () -> ODBC.apply((String) each[0], false, true));
                assertEquals(each[1] + ": " + each[2], e.getMessage() + ": " + e.getCause().getMessage());
                assertEquals(ODBCException.Reason.INVALID_ARGUMENT, e.getReason());
            }
            assertUnchangedFiles(before, "refused");
            // unixODBC reads a line over 999 bytes as two entries: the writer leaves such a section alone.
            String user = "[mine]\nDriver=SQLite3\nX=" + "x".repeat(1200) + "\n";
            Files.writeString(PrivateConfiguration.USER_SOURCES, user);
            ConfigurationApplied failed = ODBC.apply(sources(source("shared", "system", "\"Timeout\": \"5\""),
                    source("mine", "user", "\"Timeout\": \"5\"")), false, false);
            assertFalse(failed.isChanged());
            assertTrue(failed.getFailure().contains("is longer than 999 bytes"), failed.getFailure());
            assertEquals(List.of(PrivateConfiguration.SYSTEM_SOURCES.toString()), failed.getRestoredFiles());
            assertEquals(SYSTEM_SOURCES, Processes.read(PrivateConfiguration.SYSTEM_SOURCES));
            assertEquals(user, Processes.read(PrivateConfiguration.USER_SOURCES));
        }

        List<Long> modificationTimes() throws Exception {
            List<Long> times = new ArrayList<>();
            for (Path file : List.of(PrivateConfiguration.DRIVERS, PrivateConfiguration.SYSTEM_SOURCES,
                    PrivateConfiguration.USER_SOURCES)) {
                times.add(Files.getLastModifiedTime(file).to(TimeUnit.NANOSECONDS));
            }
            return times;
        }

        void assertUnchangedFiles(List<byte[]> before, String message) throws Exception {
            List<byte[]> after = PrivateConfiguration.snapshot();
            for (int i = 0; i < before.size(); i++) {
                assertArrayEquals(before.get(i), after.get(i), message + ": file " + i + " changed");
            }
        }
    }

    static Processes.Result isql(String dataSource, String statements) throws Exception {
        Path script = Files.createTempFile(PrivateConfiguration.FOLDER, "isql", ".sql");
        Files.write(script, statements.getBytes(StandardCharsets.UTF_8));
        return Processes.run(Map.of(), List.of("sh", "-c", "isql -b " + dataSource + " < " + script));
    }

    static String describe(DataSource dataSource) {
        return dataSource.getName() + " " + dataSource.getScope() + " " + dataSource.getDriverName() + " "
                + (dataSource.getDriver() != null) + " " + dataSource.getAttributes();
    }

    static String describe(DataSource[] dataSources) {
        return Arrays.stream(dataSources).map(UnixOdbcRegistrationTest::describe).collect(Collectors.toList()).toString();
    }

    static List<String> names(DataSource[] dataSources) {
        return Arrays.stream(dataSources).map(DataSource::getName).collect(Collectors.toList());
    }
}
