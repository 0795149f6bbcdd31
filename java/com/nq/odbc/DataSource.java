package com.nq.odbc;

/**
 * One configured ODBC data source: its name and the driver it uses.
 *
 * <p>Instances are immutable and safe to share between threads.
 */
public final class DataSource {
    private final String name;
    private final ODBCDriver driver;

    /**
     * Creates a data source. The native library builds data sources through
     * this constructor.
     *
     * @param name the data source's name
     * @param driver its driver, or null when that driver is not installed
     */
    public DataSource(String name, ODBCDriver driver) {
        this.name = name;
        this.driver = driver;
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

    @Override
    public boolean equals(Object other) {
        if (this == other) {
            return true;
        }
        if (!(other instanceof DataSource)) {
            return false;
        }
        DataSource that = (DataSource) other;
        return ODBCDriver.equal(name, that.name) && ODBCDriver.equal(driver, that.driver);
    }

    @Override
    public int hashCode() {
        return 31 * (name == null ? 0 : name.hashCode()) + (driver == null ? 0 : driver.hashCode());
    }

    @Override
    public String toString() {
        return "DataSource[" + name + ", " + (driver == null ? "no installed driver" : driver.getDescription()) + "]";
    }
}
