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
     * The data sources of the native listing's record, made here so that the
     * VM makes the many small objects of a large listing rather than as many
     * calls across the JNI: whether the listing is scoped; for each driver,
     * whether a data source uses it and then its record; then each data
     * source, with its driver's index ({@link #NO_DRIVER} when its driver is
     * not installed, {@link #VANISHED} to leave the element null), its name,
     * and in a scoped listing its scope, its driver's name and its entries.
     * Each data source gets a driver object of its own; equal keys and
     * driver names share one string.
     */
    static DataSource[] listed(char[] units) {
        return list(new Record(units));
    }

    /** The first data source of the record, or null when it lists none. */
    static DataSource firstListed(char[] units) {
        DataSource[] listed = listed(units);
        return listed.length == 0 ? null : listed[0];
    }

    static DataSource[] list(Record record) {
        boolean scoped = record.flag();
        ODBCDriver[] drivers = new ODBCDriver[record.number()];
        for (int i = 0; i < drivers.length; i++) {
            drivers[i] = record.flag() ? ODBCDriver.read(record) : null;
        }
        DataSource[] listed = new DataSource[record.number()];
        for (int i = 0; i < listed.length; i++) {
            int driver = record.number();
            if (driver == VANISHED) {
                continue;
            }
            String name = record.text();
            ODBCDriver copy = driver == NO_DRIVER ? null : new ODBCDriver(drivers[driver]);
            listed[i] = scoped ? new DataSource(name, copy, Scope.of(record.number()), record.sharedText(),
                    Entries.firstOfEachKey(record.keysAndValues())) : new DataSource(name, copy);
        }
        return listed;
    }

    static final int NO_DRIVER = -1;
    static final int VANISHED = -2;

    private DataSource(String name, ODBCDriver driver, Scope scope, String driverName, Map<String, String> attributes) {
        this(name, driver, driverName, scope, attributes);
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
