package com.nq.odbc;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;

/**
 * The ODBC configuration of this test run: the files that ODBCSYSINI and
 * ODBCINI name, in a folder of the run's own, never the machine's.
 */
final class PrivateConfiguration {
    static final Path FOLDER = Paths.get(System.getenv("ODBCSYSINI"));
    static final Path DRIVERS = FOLDER.resolve("odbcinst.ini");
    static final Path SYSTEM_SOURCES = FOLDER.resolve("odbc.ini");
    static final Path USER_SOURCES = Paths.get(System.getenv("ODBCINI"));

    private PrivateConfiguration() {
    }

    static void write(String drivers, String systemSources, String userSources) throws IOException {
        Files.write(DRIVERS, drivers.getBytes(StandardCharsets.UTF_8));
        Files.write(SYSTEM_SOURCES, systemSources.getBytes(StandardCharsets.UTF_8));
        // A fresh file, never through a link or into a FIFO an earlier case left.
        Files.deleteIfExists(USER_SOURCES);
        Files.write(USER_SOURCES, userSources.getBytes(StandardCharsets.UTF_8));
    }

    /** The three files' bytes, to see that a refused request changed nothing. */
    static List<byte[]> snapshot() throws IOException {
        List<byte[]> files = new ArrayList<>();
        for (Path file : List.of(DRIVERS, SYSTEM_SOURCES, USER_SOURCES)) {
            files.add(Files.exists(file) ? Files.readAllBytes(file) : new byte[0]);
        }
        return files;
    }

    /** The real driver library of one of Debian's ODBC drivers. */
    static String driverLibrary(String fileName) {
        for (String folder : List.of("/usr/lib/x86_64-linux-gnu/odbc", "/usr/lib/aarch64-linux-gnu/odbc",
                "/usr/lib/odbc")) {
            Path library = Paths.get(folder, fileName);
            if (Files.exists(library)) {
                return library.toString();
            }
        }
        throw new IllegalStateException(fileName + " is not installed");
    }

    /** The section names that odbcinst prints for -d (drivers) or -s (data sources). */
    static List<String> odbcinstSections(String kind) throws Exception {
        Processes.Result listed = Processes.run("odbcinst", "-q", kind);
        List<String> sections = new ArrayList<>();
        for (String line : listed.stdout.split("\n")) {
            if (line.startsWith("[") && line.endsWith("]")) {
                sections.add(line.substring(1, line.length() - 1));
            }
        }
        return sections;
    }

    /** The keyword=value pairs that odbcinst prints for one section. */
    static Map<String, String> odbcinstSection(String kind, String name) throws Exception {
        Processes.Result shown = Processes.run("odbcinst", "-q", kind, "-n", name);
        Map<String, String> pairs = new LinkedHashMap<>();
        for (String line : shown.stdout.split("\n")) {
            int equals = line.indexOf('=');
            if (equals > 0) {
                pairs.put(line.substring(0, equals), line.substring(equals + 1));
            }
        }
        return pairs;
    }
}
