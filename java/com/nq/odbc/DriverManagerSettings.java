package com.nq.odbc;

import java.util.Collections;
import java.util.LinkedHashMap;
import java.util.Map;

/**
 * The driver manager's own settings ({@code Trace}, {@code TraceFile},
 * {@code Pooling}, ...): the {@code [ODBC]} section of the system's
 * {@code odbcinst.ini} on Linux, the {@code ODBC} section of the user's
 * {@code ODBC.INI} on Windows. Immutable.
 */
public final class DriverManagerSettings {
    private final String path;
    private final String overriddenBy;
    private final Map<String, String> entries;

    DriverManagerSettings(String[] parts) {
        this.path = parts[0];
        this.overriddenBy = parts[1].isEmpty() ? null : parts[1];
        Map<String, String> read = new LinkedHashMap<String, String>();
        for (int i = 2; i + 1 < parts.length; i += 2) {
            read.put(parts[i], parts[i + 1]);
        }
        this.entries = Collections.unmodifiableMap(read);
    }

    /**
     * Where the settings are kept.
     *
     * @return the file (Linux) or the profile's name (Windows)
     */
    public String getPath() {
        return path;
    }

    /**
     * A file whose own {@code [ODBC]} section may override these settings
     * (the user's {@code $HOME/.odbcinst.ini} on Linux).
     *
     * @return its path, or null when there is none
     */
    public String getOverriddenBy() {
        return overriddenBy;
    }

    /**
     * The entries, in file order.
     *
     * @return the entries, unmodifiable
     */
    public Map<String, String> getEntries() {
        return entries;
    }

    /**
     * One entry, its key's letter case ignored as ODBC ignores it.
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
