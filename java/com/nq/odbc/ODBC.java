package com.nq.odbc;

/**
 * The machine's ODBC configuration, as the ODBC driver manager sees it: the
 * installed drivers and the configured data sources, and registration and
 * removal of user data sources.
 *
 * <p>Every call asks the driver manager afresh; nothing is cached. Calls may
 * come from any number of threads. Failures of the driver manager or the
 * installer are raised as {@link Throwable} with a fixed English message.
 */
public final class ODBC {
    static {
        NativeLibrary.load();
    }

    private ODBC() {
    }

    /**
     * Lists the data sources that the driver manager knows, user and system
     * alike, each with its driver.
     *
     * @return the data sources in the driver manager's order; a data source
     *     whose driver is not installed carries a null driver
     */
    public static native DataSource[] getDataSources();

    /**
     * Lists the installed ODBC drivers with their attributes.
     *
     * @return the drivers in the driver manager's order
     */
    public static native ODBCDriver[] getDrivers();

    /**
     * Registers a user data source for an installed driver, replacing a user
     * data source of the same name, and reads it back from the driver manager.
     *
     * @param name the data source's name
     * @param driver the driver's description, as {@link ODBCDriver#getDescription()} gives it
     * @param attributes further attributes as {@code KEY=VALUE} pairs separated by
     *     {@code ;}, or null for none
     * @return the new data source, or null when the driver manager does not
     *     list it under exactly that name
     */
    public static native DataSource registerDataSource(String name, String driver, String attributes);

    /**
     * Removes a user data source.
     *
     * @param name the data source's name
     * @param driver the description of the driver it uses
     * @return true once the data source has been removed
     */
    public static native boolean unregisterDataSource(String name, String driver);
}
