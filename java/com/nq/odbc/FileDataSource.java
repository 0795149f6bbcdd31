package com.nq.odbc;

import java.util.Collections;
import java.util.LinkedHashMap;
import java.util.Map;

/**
 * A file data source: a {@code .dsn} file whose {@code [ODBC]} section holds
 * the connection's entries, read by {@code FILEDSN=path}. Immutable.
 */
public final class FileDataSource {
    private final String path;
    private final Map<String, String> entries;

    FileDataSource(String path, String[] keysAndValues, int from, int count) {
        this.path = path;
        Map<String, String> read = new LinkedHashMap<String, String>();
        for (int i = from; i < from + 2 * count; i += 2) {
            read.put(keysAndValues[i], keysAndValues[i + 1]);
        }
        this.entries = Collections.unmodifiableMap(read);
    }

    /**
     * The file's path.
     *
     * @return the full path
     */
    public String getPath() {
        return path;
    }

    /**
     * The entries of its {@code [ODBC]} section, in file order.
     *
     * @return the entries, unmodifiable
     */
    public Map<String, String> getEntries() {
        return entries;
    }

    /**
     * One entry, its key's letter case ignored.
     *
     * @param key the key
     * @return the value, or null
     */
    public String get(String key) {
        return Entries.valueIgnoringCase(entries, key);
    }

    @Override
    public String toString() {
        return path + " " + entries;
    }
}
