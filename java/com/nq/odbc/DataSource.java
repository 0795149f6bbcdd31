package com.nq.odbc;

import java.util.Map;

/**
 * One configured ODBC data source: its name, the driver it uses and, when
 * {@link ODBC#listDataSources(Scope...)} and the other methods that name a
 * {@link Scope} built it, its scope and its own entries.
 *
 * <p>Instances are immutable and safe to share between threads.
 */
public final class DataSource {
    /** Where a data source is configured. */
    public enum Scope {
        /** The user's own data sources ({@code ~/.odbc.ini}, or the user's registry key on Windows). */
        USER(1),
        /** The machine's data sources, for every user ({@code odbc.ini} of the system, or HKLM on Windows). */
        SYSTEM(2);

        final int bits;

        Scope(int bits) {
            this.bits = bits;
        }

        static Scope of(int bits) {
            return bits == SYSTEM.bits ? SYSTEM : USER;
        }
    }

    private final String name;
    private final ODBCDriver driver;
    private final String driverName;
    private final Scope scope;
    private final Map<String, String> attributes;

    /**
     * Creates a data source with no scope and no entries, as
     * {@link ODBC#getDataSources()} builds them.
     *
     * @param name the data source's name
     * @param driver its driver, or null when that driver is not installed
     */
    public DataSource(String name, ODBCDriver driver) {
        this(name, driver, driver == null ? null : driver.getDescription(), null, Entries.NONE);
    }

    /**
     * A listing of data sources, assembled here from what the native library
     * read, so that the VM makes the many small objects of a large listing
     * rather than as many calls across the JNI. The texts are UTF-16 units
     * end to end ({@code ends[i]} is where the i-th ends): each data source's
     * name, and in a scoped listing its driver's name and its keys and values
     * by turns. {@code layout} holds for each data source the index of its
     * driver in {@code prototypes} ({@link #NO_DRIVER} when its driver is not
     * installed, {@link #VANISHED} to leave the element null, with no texts),
     * and in a scoped listing its scope and its number of entries. Each data
     * source gets a driver object of its own; equal keys and driver names
     * share one string.
     */
    static DataSource[] listed(char[] texts, int[] ends, int[] layout, ODBCDriver[] prototypes, boolean scoped) {
        int fields = scoped ? 3 : 1;
        DataSource[] listed = new DataSource[layout.length / fields];
        Texts next = new Texts(texts, ends);
        for (int i = 0; i < listed.length; i++) {
            int driver = layout[i * fields];
            if (driver == VANISHED) {
                continue;
            }
            String name = next.text();
            ODBCDriver copy = driver == NO_DRIVER ? null : new ODBCDriver(prototypes[driver]);
            if (!scoped) {
                listed[i] = new DataSource(name, copy);
                continue;
            }
            String driverName = next.shared();
            String[] keysAndValues = new String[2 * layout[i * fields + 2]];
            for (int j = 0; j < keysAndValues.length; j += 2) {
                keysAndValues[j] = next.shared();
                keysAndValues[j + 1] = next.text();
            }
            listed[i] = new DataSource(name, copy, driverName, layout[i * fields + 1], keysAndValues);
        }
        return listed;
    }

    /** The texts of a listing, one after the other. */
    private static final class Texts {
        private final char[] units;
        private final int[] ends;
        private final Map<String, String> shared = new java.util.HashMap<String, String>();
        private int index;
        private int start;

        Texts(char[] units, int[] ends) {
            this.units = units;
            this.ends = ends;
        }

        String text() {
            String text = new String(units, start, ends[index] - start);
            start = ends[index++];
            return text;
        }

        /** The next text, as the one string of all equal ones seen so far. */
        String shared() {
            String text = text();
            String earlier = shared.putIfAbsent(text, text);
            return earlier == null ? text : earlier;
        }
    }

    static final int NO_DRIVER = -1;
    static final int VANISHED = -2;

    /** The scoped listing's: keys and values by turns, in file order. */
    DataSource(String name, ODBCDriver driver, String driverName, int scope, String[] keysAndValues) {
        this(name, driver, driverName, Scope.of(scope), new Entries(keysAndValues));
    }

    private DataSource(String name, ODBCDriver driver, String driverName, Scope scope, Map<String, String> attributes) {
        this.name = name;
        this.driver = driver;
        this.driverName = driverName;
        this.scope = scope;
        this.attributes = attributes;
    }

    /**
     * Returns the data source's name, as programs pass it to connect.
     *
     * @return the name
     */
    public String getName() {
        return name;
    }

    /**
     * Returns the driver the data source uses.
     *
     * @return the driver, or null when the data source names a driver that is
     *     not installed
     */
    public ODBCDriver getDriver() {
        return driver;
    }

    /**
     * Returns the description of the driver that the data source names, even
     * when no installed driver has it.
     *
     * @return the description (on Linux the data source's {@code Driver}
     *     entry, which may also be a library's path); for a data source that
     *     {@link ODBC#getDataSources()} built, the installed driver's
     *     description, or null when it has none
     */
    public String getDriverName() {
        return driverName;
    }

    /**
     * Returns where the data source is configured.
     *
     * @return its scope; null for a data source that {@link ODBC#getDataSources()}
     *     or {@link ODBC#registerDataSource(String, String, String)} built
     */
    public Scope getScope() {
        return scope;
    }

    /**
     * Returns the data source's own entries, such as {@code Driver},
     * {@code Server} or {@code Database}, in the order of the configuration.
     * Look-ups ignore ASCII letter case, as ODBC keywords do; of a key given
     * twice only the first entry is kept, the one that the installer's
     * profile functions, and so the drivers, read.
     *
     * @return an unmodifiable map, never null; empty for a data source that
     *     {@link ODBC#getDataSources()} or {@link ODBC#registerDataSource(String, String, String)} built
     */
    public Map<String, String> getAttributes() {
        return attributes;
    }

    /**
     * Returns one of the data source's own entries, letter case ignored.
     *
     * @param key the entry's key, such as {@code Database}
     * @return its value, or null when there is no such entry
     */
    public String getAttribute(String key) {
        return attributes.get(key);
    }

    @Override
    public boolean equals(Object other) {
        if (this == other) {
            return true;
        }
        if (!(other instanceof DataSource)) {
            return false;
        }
        DataSource that = (DataSource) other;
        return ODBCDriver.equal(name, that.name) && ODBCDriver.equal(driver, that.driver)
                && ODBCDriver.equal(driverName, that.driverName) && scope == that.scope
                && attributes.equals(that.attributes);
    }

    @Override
    public int hashCode() {
        int hash = 31 * (name == null ? 0 : name.hashCode()) + (driver == null ? 0 : driver.hashCode());
        return 31 * (31 * hash + (scope == null ? 0 : scope.hashCode())) + attributes.hashCode();
    }

    @Override
    public String toString() {
        return "DataSource[" + name + ", " + (driver == null ? "no installed driver" : driver.getDescription())
                + (scope == null ? "" : ", " + scope) + "]";
    }
}
