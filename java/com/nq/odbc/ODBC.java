package com.nq.odbc;

import java.util.Map;

/**
 * The machine's ODBC configuration, as the ODBC driver manager sees it: the
 * installed drivers and the configured data sources, and registration and
 * removal of user data sources.
 *
 * <p>Every call reads the configuration afresh; nothing is cached. Calls may
 * come from any number of threads. Failures of the driver manager or the
 * installer are raised as {@link Throwable} (the class itself) with a fixed
 * English message; each method lists its messages.
 *
 * <p>A data source name is valid when it is 1 to 32 bytes long (in UTF-8 on
 * Linux, in the ANSI code page on Windows), has no control character, none of
 * {@code []{}(),;?*=!@\}, and no blank at either end.
 *
 * <pre>{@code
 * for (ODBCDriver driver : ODBC.getDrivers()) {
 *     System.out.println(driver.getDescription() + " " + driver.getAttribute("Driver"));
 * }
 * DataSource demo = ODBC.registerDataSource("demo", "SQLite3",
 *         Collections.singletonMap("Database", "/tmp/demo.db"));
 * ODBC.unregisterDataSource("demo", "SQLite3");
 * }</pre>
 *
 * <p>The native library is loaded when the class is first used; see the
 * project's documentation for where it is looked for.
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
     * @return the data sources, user ones first, in the order of the
     *     configuration; a data source whose driver is not installed carries a
     *     null driver. On Windows, an element is null when the data source was
     *     removed while the list was being read.
     * @throws Throwable "Could not allocate ODBC environmental handle!" or
     *     "Could not free ODBC environmental handle!" when the driver manager
     *     fails; on Linux "Could not read ODBC configuration!" when a
     *     configuration file is not a regular one (a FIFO, a device, a
     *     folder) or unixODBC's reader cannot be bound, its cause saying which
     */
    public static native DataSource[] getDataSources();

    /**
     * Lists the installed ODBC drivers with their attributes.
     *
     * @return the drivers in the order of the configuration; on Windows, an
     *     element is null when the driver was removed while the list was being read
     * @throws Throwable as {@link #getDataSources()}
     */
    public static native ODBCDriver[] getDrivers();

    /**
     * Registers a user data source for an installed driver, replacing a user
     * data source of the same name, and reads it back from the driver manager.
     *
     * @param name the data source's name
     * @param driver the driver's description, as {@link ODBCDriver#getDescription()} gives it
     * @param attributes further attributes as {@code KEY=VALUE} pairs separated by
     *     {@code ;}, or null for none (write {@code (String) null}, or use
     *     {@link #registerDataSource(String, String)})
     * @return the new data source, or null when the driver manager does not
     *     list it under exactly that name
     * @throws Throwable with one of these messages, and nothing is changed:
     *     "DataSource name is null!", "Driver name is null!",
     *     "DataSource name is invalid!" (see the name rule above),
     *     "DataSource attribute text is too long!" (over 1022 bytes with
     *     {@code DSN=} and the name), "DataSource attribute text is invalid!"
     *     (a line break, a character the platform cannot carry, or a key that
     *     is {@code DSN} or {@code Driver} in any letter case or starts with
     *     {@code [}, {@code #} or {@code ;}), "Error trying to register ODBC
     *     DataSource!" (the installer refused: for instance, the driver is not
     *     installed), "Could not allocate ODBC environmental handle!",
     *     "Could not free ODBC environmental handle!". A refusal's cause is a
     *     {@code Throwable} whose message says why in one line (the driver
     *     that is not installed, the file, folder or lock that cannot be used
     *     with the system's error text, ...). On Linux the wait for another
     *     process's lock on the file is bounded by the system property
     *     {@code com.nq.odbc.lockTimeoutMillis} (30000 by default).
     */
    public static native DataSource registerDataSource(String name, String driver, String attributes);

    /**
     * Removes a user data source.
     *
     * @param name the data source's name
     * @param driver the description of the driver it uses
     * @return true: every failure is raised instead
     * @throws Throwable with one of these messages, and nothing is changed:
     *     "DataSource name is null!", "Driver name is null!",
     *     "DataSource name is invalid!", "Error trying to remove ODBC
     *     DataSource!" (no user data source of that name uses that driver, or
     *     the installer refused), "Could not allocate ODBC environmental
     *     handle!", "Could not free ODBC environmental handle!"; a refusal's
     *     cause says why, as for {@link #registerDataSource(String, String, String)}
     */
    public static native boolean unregisterDataSource(String name, String driver);

    /**
     * Registers a user data source with no further attributes.
     *
     * @param name the data source's name
     * @param driver the driver's description
     * @return the new data source, as {@link #registerDataSource(String, String, String)} returns it
     * @throws Throwable as {@link #registerDataSource(String, String, String)}
     */
    public static DataSource registerDataSource(String name, String driver) {
        return registerDataSource(name, driver, (String) null);
    }

    /**
     * Registers a user data source with attributes given as a map, which is
     * written as {@code KEY=VALUE} pairs separated by {@code ;} in the map's
     * iteration order.
     *
     * @param name the data source's name
     * @param driver the driver's description
     * @param attributes the attributes, or null for none
     * @return the new data source, as {@link #registerDataSource(String, String, String)} returns it
     * @throws IllegalArgumentException when a key or value would change the
     *     text's meaning: a {@code ;} or NUL anywhere, an {@code =} in a key,
     *     an empty or null key, or a null value; nothing is registered then
     * @throws Throwable as {@link #registerDataSource(String, String, String)}
     */
    public static DataSource registerDataSource(String name, String driver, Map<String, String> attributes) {
        return registerDataSource(name, driver, attributeText(attributes));
    }

    /**
     * Finds a data source by its exact name.
     *
     * @param name the name, letter case significant
     * @return the first data source of that name the driver manager lists, or null
     * @throws Throwable as {@link #getDataSources()}
     */
    public static DataSource findDataSource(String name) {
        for (DataSource dataSource : getDataSources()) {
            if (dataSource != null && dataSource.getName().equals(name)) {
                return dataSource;
            }
        }
        return null;
    }

    /**
     * Finds an installed driver by its exact description.
     *
     * @param description the description, letter case significant
     * @return the first driver of that description the driver manager lists, or null
     * @throws Throwable as {@link #getDrivers()}
     */
    public static ODBCDriver findDriver(String description) {
        for (ODBCDriver driver : getDrivers()) {
            if (driver != null && driver.getDescription().equals(description)) {
                return driver;
            }
        }
        return null;
    }

    static String attributeText(Map<String, String> attributes) {
        if (attributes == null) {
            return null;
        }
        StringBuilder text = new StringBuilder();
        for (Map.Entry<String, String> entry : attributes.entrySet()) {
            String key = entry.getKey();
            String value = entry.getValue();
            if (key == null || key.isEmpty() || value == null) {
                throw new IllegalArgumentException("attribute keys must be non-empty and values non-null: " + key);
            }
            if (key.indexOf('=') >= 0 || hasSeparator(key) || hasSeparator(value)) {
                // The value is left out of the message: it may be a password.
                throw new IllegalArgumentException("attribute " + key
                        + " holds a character that would change the meaning of the attribute text");
            }
            if (text.length() > 0) {
                text.append(';');
            }
            text.append(key).append('=').append(value);
        }
        return text.toString();
    }

    private static boolean hasSeparator(String text) {
        return text.indexOf(';') >= 0 || text.indexOf('\0') >= 0;
    }
}
