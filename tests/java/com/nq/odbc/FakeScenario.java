package com.nq.odbc;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;

/**
 * What the stand-in driver manager lists and where it fails, for the next
 * operation. Texts are byte strings: each char up to U+00FF is one byte.
 */
final class FakeScenario {
    static final Path SCENARIO = Paths.get(System.getenv("FAKE_ODBC_SCENARIO"));
    static final Path LOG = Paths.get(System.getenv("FAKE_ODBC_LOG"));

    private final StringBuilder lines = new StringBuilder();

    FakeScenario alloc(int call, int rc) {
        return line("alloc", Integer.toString(call), Integer.toString(rc));
    }

    FakeScenario free(int call, int rc) {
        return line("free", Integer.toString(call), Integer.toString(rc));
    }

    /** A driver listed in every pass. */
    FakeScenario driver(String description, String attributes) {
        return driver("*", 0, description, attributes);
    }

    FakeScenario driver(String passes, int rc, String description, String attributes) {
        return line("driver", passes, Integer.toString(rc), escape(description), escape(attributes));
    }

    /** A data source listed in every pass. */
    FakeScenario dataSource(String name, String driver) {
        return dataSource("*", 0, name, driver);
    }

    FakeScenario dataSource(String passes, int rc, String name, String driver) {
        return line("dsn", passes, Integer.toString(rc), escape(name), escape(driver));
    }

    /** Makes this the scenario of the next operation and starts a new log. */
    void install() throws IOException {
        Files.write(SCENARIO, lines.toString().getBytes(StandardCharsets.ISO_8859_1));
        Files.deleteIfExists(LOG);
    }

    static List<String> log() throws IOException {
        return Files.exists(LOG) ? Files.readAllLines(LOG) : new ArrayList<>();
    }

    /** The UTF-8 bytes of a text, one char per byte. */
    static String utf8(String text) {
        return new String(text.getBytes(StandardCharsets.UTF_8), StandardCharsets.ISO_8859_1);
    }

    private FakeScenario line(String... fields) {
        lines.append(String.join("\t", Arrays.asList(fields))).append('\n');
        return this;
    }

    private static String escape(String bytes) {
        StringBuilder out = new StringBuilder();
        for (char c : bytes.toCharArray()) {
            if (c > 0xFF) {
                throw new IllegalArgumentException("not a byte: " + (int) c);
            } else if (c == 0) {
                out.append("\\0");
            } else if (c == '\\') {
                out.append("\\\\");
            } else if (c < 0x20 || c >= 0x7F) {
                out.append(String.format("\\x%02x", (int) c));
            } else {
                out.append(c);
            }
        }
        return out.toString();
    }
}
