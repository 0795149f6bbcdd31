package com.nq.odbc;

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
    private final Map<String, String> attributes;

    /** Its record: where the settings are kept, the file that may override them if any, the entries. */
    DriverManagerSettings(Record record) {
        this.path = record.text();
        boolean overridden = record.flag();
        String overriding = record.text();
        this.overriddenBy = overridden ? overriding : null;
        this.attributes = Entries.firstOfEachKey(record.keysAndValues());
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
     * The entries, in file order (of a key given twice, the first), looked
     * up with ASCII letter case ignored as the driver manager reads them.
     *
     * @return the entries, unmodifiable
     */
    public Map<String, String> getAttributes() {
        return attributes;
    }

    /**
     * One entry, its key's letter case ignored as ODBC ignores it.
     *
     * @param key the key
     * @return the value, or null
     */
    public String getAttribute(String key) {
        return attributes.get(key);
    }

    /**
     * The entries, as {@link #getAttributes()}.
     *
     * @return the entries, unmodifiable
     * @deprecated use {@link #getAttributes()}, as every value class names its entries
     */
    @Deprecated
    public Map<String, String> getEntries() {
        return getAttributes();
    }

    /**
     * One entry, as {@link #getAttribute(String)}.
     *
     * @param key the key
     * @return the value, or null
     * @deprecated use {@link #getAttribute(String)}
     */
    @Deprecated
    public String get(String key) {
        return getAttribute(key);
    }

    @Override
    public String toString() {
        return path + " " + attributes;
    }
}
