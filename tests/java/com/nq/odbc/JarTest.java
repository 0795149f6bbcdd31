package com.nq.odbc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.concurrent.CompletableFuture;
import java.util.stream.Stream;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** The jar on its own, as users run it: no library path, any working folder. */
class JarTest {
    static final String JAR = System.getProperty("rireve.test.jar");
    static final Path WORK = PrivateConfiguration.FOLDER;
    static final Path TEMP = WORK.resolve("tmp");
    static final Path MARKER = WORK.resolve("planted-library-was-loaded");

    @BeforeEach
    void configure() throws Exception {
        PrivateConfiguration.write(UnixOdbcListingTest.THREE_DRIVERS, "[shared]\nDriver=SQLite3\n", "");
        Files.createDirectories(TEMP);
        Files.deleteIfExists(MARKER);
        // Where a loader that extracts to predictable names would look.
        Path planted = Paths.get(System.getProperty("rireve.test.plantedLibrary"));
        for (Path trap : List.of(TEMP.resolve("libRI-REVE.so"), TEMP.resolve("RI-REVE/libRI-REVE.so"),
                TEMP.resolve("ri-reve/linux-x86_64/libRI-REVE.so"), WORK.resolve("libRI-REVE.so"))) {
            Files.createDirectories(trap.getParent());
            Files.copy(planted, trap, java.nio.file.StandardCopyOption.REPLACE_EXISTING);
        }
    }

    static Processes.Result runJar(String... args) throws Exception {
        List<String> command = Processes.java("-Djava.io.tmpdir=" + TEMP);
        command.addAll(List.of(args));
        return Processes.run(Map.of("RIREVE_TEST_PLANTED_MARKER", MARKER.toString()), command, WORK);
    }

    /** A program of the API listing through the library, loaded as the JVM's options say. */
    static List<String> libraryCommand(String listing) {
        return new ArrayList<>(List.of("-cp", System.getProperty("rireve.test.classpath"), Child.class.getName(), listing));
    }

    static List<String> jarCommand(String... args) {
        List<String> command = new ArrayList<>(List.of("-jar", JAR));
        command.addAll(List.of(args));
        return command;
    }

    @Test
    void theJarAloneListsDriversAndLeavesNothingBehind() throws Exception {
        Processes.Result listed = runJar(jarCommand("drivers").toArray(new String[0]));
        assertEquals(0, listed.exitCode, listed.toString());
        assertEquals("", listed.stderr);
        assertTrue(listed.stdout.startsWith("DRIVER              LIBRARY") && listed.stdout.contains("\nSQLite3             /"),
                listed.stdout);
        assertEquals(4, listed.stdout.split("\n").length, listed.stdout);
        assertFalse(Files.exists(MARKER), "a planted library was loaded");
        // The probe program comes out of the jar too, and goes with the VM.
        Processes.Result tested = runJar(jarCommand("test", "--connection-string",
                "DRIVER={SQLite3};Database=" + WORK.resolve("jar.db")).toArray(new String[0]));
        assertEquals(0, tested.exitCode, tested.toString());
        assertTrue(tested.stdout.startsWith("CONNECTED in "), tested.toString());
        try (Stream<Path> left = Files.list(TEMP)) {
            assertFalse(left.anyMatch(p -> p.getFileName().toString().startsWith("ri-reve-")),
                    "an extracted copy was not removed");
        }
    }

    @Test
    void twoJvmsLoadTheBundledCopyAtOnce() throws Exception {
        CompletableFuture<Processes.Result> first = CompletableFuture.supplyAsync(() -> dataSources());
        CompletableFuture<Processes.Result> second = CompletableFuture.supplyAsync(() -> dataSources());
        for (Processes.Result result : List.of(first.join(), second.join())) {
            assertEquals(0, result.exitCode, result.toString());
            assertEquals("shared\n", result.stdout);
        }
    }

    @Test
    void theLibraryPropertyComesFirst() throws Exception {
        Files.write(WORK.resolve("scenario.txt"), "driver\t*\t0\tFromTheNamedLibrary\tDriver=x\n".getBytes());
        List<String> command = new ArrayList<>(List.of("-D" + NativeLibrary.PATH_PROPERTY + "="
                + System.getProperty("rireve.test.fakeLibrary")));
        command.addAll(libraryCommand("drivers"));
        Processes.Result listed = runJar(command.toArray(new String[0]));
        assertEquals("FromTheNamedLibrary x\n", listed.stdout, listed.toString());
    }

    @Test
    void anInstallerLibraryWithoutUnixOdbcsReaderOrPathFunctionsListsTheSame() throws Exception {
        for (String listing : List.of("drivers", "dsns")) {
            List<String> command = new ArrayList<>(List.of("-D" + NativeLibrary.PATH_PROPERTY + "="
                    + System.getProperty("rireve.test.libraryWithoutReader")));
            command.addAll(libraryCommand(listing));
            Processes.Result listed = runJar(command.toArray(new String[0]));
            Processes.Result usual = runJar(libraryCommand(listing).toArray(new String[0]));
            assertEquals(0, listed.exitCode, listed.toString());
            assertEquals(usual.stdout, listed.stdout);
            assertFalse(listed.stderr.contains("Installer Error"), listed.toString());
        }
    }

    @Test
    void whenNothingLoadsOneErrorExplainsEveryAttempt() throws Exception {
        List<String> command = new ArrayList<>(List.of("-D" + NativeLibrary.PATH_PROPERTY + "=/nonexistent/lib.so",
                "-Dos.arch=sparc"));
        command.addAll(libraryCommand("drivers"));
        Processes.Result failed = runJar(command.toArray(new String[0]));
        assertEquals(1, failed.exitCode, failed.toString());
        assertTrue(failed.stderr.startsWith("Could not load the native library RI-REVE:\n"), failed.stderr);
        assertTrue(failed.stderr.contains("\n  com.nq.odbc.library=/nonexistent/lib.so: "), failed.stderr);
        assertTrue(failed.stderr.contains("\n  java.library.path="), failed.stderr);
        assertTrue(failed.stderr.contains("\n  bundled copy /com/nq/odbc/native/linux-sparc/libRI-REVE.so: not in the jar"),
                failed.stderr);
    }

    @Test
    void extractionNeedsAFolderNoOneElseCanChangeAndLeavesNothingEvenWhenKilled() throws Exception {
        Path shared = WORK.resolve("shared-tmp");
        Files.createDirectories(shared);
        Files.setPosixFilePermissions(shared, java.nio.file.attribute.PosixFilePermissions.fromString("rwxrwxrwx"));
        List<String> command = new ArrayList<>(List.of("-Djava.io.tmpdir=" + shared));
        command.addAll(libraryCommand("drivers"));
        Processes.Result refused = runJar(command.toArray(new String[0]));
        assertEquals(1, refused.exitCode, refused.toString());
        assertTrue(refused.stderr.contains("the folder " + shared + " can be changed by other users")
                && refused.stderr.contains("-Djava.io.tmpdir=") && refused.stderr.contains("-Dcom.nq.odbc.library="),
                refused.stderr);

        Path dead = Files.createDirectories(TEMP.resolve("ri-reve-999999999-1"));
        Files.write(dead.resolve("libRI-REVE.so"), new byte[1]);
        Path running = Files.createDirectories(TEMP.resolve("ri-reve-" + ProcessHandle.current().pid() + "-1"));
        Process loaded = Processes.startChild("-Djava.io.tmpdir=" + TEMP, "wait");
        assertEquals("loaded", new java.io.BufferedReader(new java.io.InputStreamReader(loaded.getInputStream()))
                .readLine());
        loaded.destroyForcibly().waitFor();
        try (Stream<Path> left = Files.list(TEMP)) {
            assertEquals(List.of(running), left.filter(p -> p.getFileName().toString().startsWith("ri-reve-"))
                    .collect(java.util.stream.Collectors.toList()), "only the folder of a running process stays");
        }
        Files.delete(running);
        // Without the driver manager (hidden in a mount namespace of its own), the error says what to install.
        List<String> withoutDriverManager = new ArrayList<>(List.of("unshare", "-m", "sh", "-c",
                "mount --bind /dev/null \"$(readlink -f \"$1\")\" && shift && exec \"$@\"", "-",
                "/usr/lib/" + (NativeLibrary.platform().endsWith("x86_64") ? "x86_64" : "aarch64")
                        + "-linux-gnu/libodbc.so.2"));
        withoutDriverManager.addAll(Processes.java("-Djava.io.tmpdir=" + TEMP));
        withoutDriverManager.addAll(libraryCommand("drivers"));
        Processes.Result hidden = Processes.run(Map.of(), withoutDriverManager, WORK);
        org.junit.jupiter.api.Assumptions.assumeFalse(hidden.stderr.startsWith("unshare:"), hidden.stderr);
        assertTrue(hidden.stderr.startsWith("Could not load the native library RI-REVE: the ODBC driver manager unixODBC"
                + " (libodbc.so.2) is missing or cannot be loaded; install it (Debian, Ubuntu: apt-get install unixodbc;"),
                hidden.toString());
    }

    @Test
    void aFolderThatCannotServeIsNamedWithItsReasonAndTheFix() throws Exception {
        Path shared = Files.createDirectories(WORK.resolve("open-tmp"));
        Files.setPosixFilePermissions(shared, java.nio.file.attribute.PosixFilePermissions.fromString("rwxrwxrwx"));
        Path own = Files.createDirectories(WORK.resolve("own-tmp"));
        Path noexec = Files.createDirectories(WORK.resolve("noexec-tmp"));
        Path readOnly = Files.createDirectories(WORK.resolve("read-only-tmp"));
        boolean mounted = Processes.run("mount", "-t", "tmpfs", "-o", "noexec,mode=700", "tmpfs", noexec.toString())
                .exitCode == 0 && Processes.run("mount", "-t", "tmpfs", "-o", "ro,mode=700", "tmpfs",
                readOnly.toString()).exitCode == 0;
        try {
            // The library's own folder comes before java.io.tmpdir.
            List<String> listing = libraryCommand("drivers");
            listing.addAll(0, List.of("-Djava.io.tmpdir=" + shared, "-D" + NativeLibrary.FOLDER_PROPERTY + "=" + own));
            assertEquals(0, runJar(listing.toArray(new String[0])).exitCode);
            Map<Path, String> reasons = new java.util.LinkedHashMap<>();
            reasons.put(WORK.resolve("missing"), "(it does not exist)");
            if (mounted) {
                reasons.put(noexec, "is on a file system mounted noexec");
                reasons.put(readOnly, "Read-only file system");
            } else {
                System.out.println("noexec and read-only cases not run: mount -t tmpfs is not permitted here");
            }
            for (Map.Entry<Path, String> reason : reasons.entrySet()) {
                List<String> refused = libraryCommand("drivers");
                refused.add(0, "-D" + NativeLibrary.FOLDER_PROPERTY + "=" + reason.getKey());
                Processes.Result failed = runJar(refused.toArray(new String[0]));
                assertEquals(1, failed.exitCode, failed.toString());
                assertTrue(failed.stderr.contains(reason.getKey().toString()) && failed.stderr.contains(reason.getValue())
                        && failed.stderr.contains("-D" + NativeLibrary.FOLDER_PROPERTY + "=")
                        && failed.stderr.contains("-D" + NativeLibrary.PATH_PROPERTY + "="), failed.stderr);
            }
        } finally {
            Processes.run("umount", noexec.toString());
            Processes.run("umount", readOnly.toString());
        }
    }

    @Test
    void aSecondClassLoaderGetsAPrivateCopyAndDeniedNativeAccessSaysHowToGrantIt() throws Exception {
        // Both loaders get the pinned library (a stand-in's), not the jar's own copy.
        Files.write(WORK.resolve("scenario.txt"), "dsn\t*\t0\tFromTheNamedLibrary\tnone\n".getBytes());
        Processes.Result two = runJar("-D" + NativeLibrary.PATH_PROPERTY + "=" + System.getProperty(
                "rireve.test.fakeLibrary"), "-cp", System.getProperty("rireve.test.classpath"),
                Child.class.getName(), "two-loaders", JAR);
        assertEquals("FromTheNamedLibrary\nFromTheNamedLibrary\n", two.stdout, two.toString());
        org.junit.jupiter.api.Assumptions.assumeTrue(Runtime.version().feature() >= 24, "--illegal-native-access needs JDK 24");
        Processes.Result denied = Processes.run(Map.of(), List.of(Processes.java().get(0), "--illegal-native-access=deny",
                "-Djava.io.tmpdir=" + TEMP, "-cp", System.getProperty("rireve.test.classpath"), Child.class.getName(),
                "drivers"));
        assertEquals(1, denied.exitCode, denied.toString());
        assertTrue(denied.stderr.startsWith("Could not load the native library RI-REVE: native access is denied; run java"
                + " with --enable-native-access=ALL-UNNAMED"), denied.toString());
    }

    @Test
    void oneVersionInTheManifestTheApiAndTheCommandLine() throws Exception {
        String manifest = new java.util.jar.JarFile(JAR).getManifest().getMainAttributes()
                .getValue("Implementation-Version");
        assertEquals(Version.number(), manifest);
        assertTrue(manifest.matches("[0-9]+\\.[0-9]+\\.[0-9]+"), manifest);
        // The version, then the platforms the jar carries the command line for.
        String version = runJar(jarCommand("--version").toArray(new String[0])).stdout;
        assertTrue(version.startsWith("ri-reve " + manifest + "\nplatforms: ") && version.contains(NativeLibrary.platform()),
                version);
    }

    @Test
    void platformNamesFollowTheJvmsOwn() {
        assertEquals("linux-x86_64", NativeLibrary.platform("Linux", "amd64"));
        assertEquals("windows-x86", NativeLibrary.platform("Windows 10", "x86"));
        assertEquals("windows-x86_64", NativeLibrary.platform("Windows Server 2022", "amd64"));
        assertEquals("linux-aarch64", NativeLibrary.platform("Linux", "aarch64"));
        assertEquals("macos-aarch64", NativeLibrary.platform("Mac OS X", "aarch64"));
    }

    private static Processes.Result dataSources() {
        try {
            return runJar(libraryCommand("dsns").toArray(new String[0]));
        } catch (Exception e) {
            throw new IllegalStateException(e);
        }
    }
}
