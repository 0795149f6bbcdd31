package com.nq.odbc;

import java.time.Duration;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collection;
import java.util.Collections;
import java.util.HashMap;
import java.util.List;
import java.util.Locale;
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
 * <p>The methods that name a {@link DataSource.Scope} go further: they list
 * user and system data sources apart, with each one's own entries, edit
 * entries in place, and register and remove system data sources. They raise
 * {@link ODBCException}, a checked exception:
 *
 * <pre>{@code
 * DataSource demo = ODBC.findDataSource("demo", DataSource.Scope.USER);
 * System.out.println(demo.getAttribute("Database"));
 * ODBC.configureDataSource("demo", DataSource.Scope.USER,
 *         Collections.singletonMap("Timeout", "2000"), Collections.singleton("Description"));
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

    /**
     * Lists the data sources of the scopes given, each with its scope, the
     * driver it names and its own entries. Unlike {@link #getDataSources()},
     * a system data source that a user data source of the same name hides
     * from the driver manager is listed too. The {@code [ODBC]} section of the
     * driver manager's own settings is never listed.
     *
     * @param scopes the scopes to list; none (or null) lists both
     * @return the user data sources, then the system ones, each in the order
     *     of the configuration, one per name (letter case ignored) and scope
     * @throws ODBCException "Could not read ODBC configuration!" when a
     *     configuration file (or on Windows the installer) cannot be read,
     *     its cause saying which and why; the driver manager's messages as
     *     {@link #getDataSources()}
     */
    public static DataSource[] listDataSources(DataSource.Scope... scopes) throws ODBCException {
        int bits = 0;
        for (DataSource.Scope scope : scopes == null ? new DataSource.Scope[0] : scopes) {
            bits |= scope == null ? 0 : scope.bits;
        }
        try {
            return listDataSourcesIn(bits == 0 ? DataSource.Scope.USER.bits | DataSource.Scope.SYSTEM.bits : bits);
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
    }

    /**
     * Finds a data source by name, as the driver manager finds it: letter
     * case ignored, a user data source before a system one.
     *
     * @param name the data source's name
     * @param scope where to look, or null for the user's data sources, then the system's
     * @return the data source with its scope and entries, or null when there is none
     * @throws ODBCException as {@link #listDataSources(DataSource.Scope...)}
     */
    public static DataSource findDataSource(String name, DataSource.Scope scope) throws ODBCException {
        for (DataSource dataSource : scope == null ? listDataSources() : listDataSources(scope)) {
            if (ODBCDriver.sameKeyword(dataSource.getName(), name)) {
                return dataSource;
            }
        }
        return null;
    }

    /**
     * Changes entries of an existing data source in place: each entry of
     * {@code set} is given its value (taking the place of an entry of that
     * key, letter case ignored, or added after the last one), and each key of
     * {@code unset} is taken out. Every other entry, comment and line stays
     * exactly as it is. Keys and values are trimmed of blanks at either end,
     * as ODBC reads them. On Windows the entries are set through the
     * installer's configuration request for the data source's driver
     * ({@code ODBC_CONFIG_DSN}, {@code ODBC_CONFIG_SYS_DSN}), which cannot
     * carry a {@code ;} in a key or value, and taken out with its profile
     * functions.
     *
     * @param name the data source's name
     * @param scope where it is configured
     * @param set entries to set, or null for none
     * @param unset keys to take out, or null for none
     * @return the data source as changed
     * @throws ODBCException "Error trying to configure ODBC DataSource!" when
     *     there is no such data source or it cannot be changed (for a system
     *     data source on Linux, unless the process may write the system's
     *     file), the cause saying why; "DataSource name is null!",
     *     "DataSource name is invalid!", "DataSource attribute text is
     *     invalid!" (a key that is empty, holds {@code =} or a line break,
     *     starts with {@code [}, {@code #} or {@code ;}, is {@code DSN} or
     *     {@code Driver}, or is given twice; a value with a line break) and
     *     "DataSource attribute text is too long!" (an entry that as
     *     {@code key=value} would be a line over 999 bytes),
     *     with nothing changed
     * @throws NullPointerException when {@code scope} is null
     */
    public static DataSource configureDataSource(String name, DataSource.Scope scope, Map<String, String> set,
            Collection<String> unset) throws ODBCException {
        int bits = scope.bits;
        String[] keys = unset == null ? new String[0] : unset.toArray(new String[0]);
        try {
            return configureDataSourceIn(name, bits, set == null ? new String[0] : keysAndValues(set), keys);
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
    }

    /**
     * Registers a data source of that scope for an installed driver,
     * replacing one of the same name in that scope, and reads it back. For
     * a system data source on Linux the process must be able to write the
     * system's file (as root, usually).
     *
     * @param name the data source's name
     * @param driver the driver's description
     * @param attributes its entries, or null for none
     * @param scope where to register it
     * @return the new data source with its scope and entries, or null when it
     *     cannot be read back under that name
     * @throws ODBCException with the messages of {@link #registerDataSource(String, String, String)}
     * @throws IllegalArgumentException as {@link #registerDataSource(String, String, Map)}
     * @throws NullPointerException when {@code scope} is null
     */
    public static DataSource registerDataSource(String name, String driver, Map<String, String> attributes,
            DataSource.Scope scope) throws ODBCException {
        int bits = scope.bits;
        attributeText(attributes);  // its checks: the entries cross as pairs
        try {
            return registerDataSourceIn(name, driver, keysAndValues(attributes), bits);
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
    }

    /**
     * Removes a data source of that scope.
     *
     * @param name the data source's name
     * @param driver the description of the driver it uses
     * @param scope where it is configured
     * @throws ODBCException with the messages of {@link #unregisterDataSource(String, String)}
     * @throws NullPointerException when {@code scope} is null
     */
    public static void unregisterDataSource(String name, String driver, DataSource.Scope scope)
            throws ODBCException {
        int bits = scope.bits;
        try {
            unregisterDataSourceIn(name, driver, bits);
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
    }

    /**
     * Tests a data source: connects through the driver manager with
     * {@code SQLDriverConnect} (never a prompt), asks the driver and DBMS
     * their names and versions, and disconnects. The test runs in a child
     * process of its own ({@code ri-reve-probe}, shipped in the jar beside the
     * library), so that a driver that crashes or hangs ends only that
     * process; the timeout bounds the whole test and is the login timeout
     * too. A connection refused, a crash or a hang is a result, not an
     * exception.
     *
     * <p>With a scope, the data source must be configured there: a system
     * data source is tested as the system's even where a user data source of
     * the same name would hide it from the driver manager (on Linux; on
     * Windows such a hidden one is {@link ConnectionTest.Status#NOT_FOUND}).
     *
     * @param name the data source's name
     * @param scope where it is configured, or null for where the driver manager finds it
     * @param credentials the user name and password to connect with (a
     *     password is never shown in the result), or null for the data
     *     source's own
     * @param timeout how long the whole test may take, rounded up to whole
     *     seconds, or null for 30 seconds
     * @return what the test found
     * @throws ODBCException "DataSource name is null!"; "Could not allocate
     *     ODBC environmental handle!" when the driver manager cannot be used;
     *     "Could not start the connection test!" when the probe program
     *     cannot be run, its cause saying why; the messages of
     *     {@link #listDataSources(DataSource.Scope...)} for a scope
     * @throws IllegalArgumentException when the timeout is not positive
     */
    public static ConnectionTest testDataSource(String name, DataSource.Scope scope, Credentials credentials,
            Duration timeout) throws ODBCException {
        if (name == null) {
            throw new ODBCException("DataSource name is null!", ODBCException.Reason.INVALID_ARGUMENT, null);
        }
        ConnectionProbe.seconds(timeout);
        long started = System.nanoTime();
        Map<String, String> environment = new HashMap<String, String>();
        if (scope != null) {
            if (findDataSource(name, scope) == null) {
                return ConnectionProbe.notFound("no " + scope.name().toLowerCase(Locale.ROOT)
                        + " data source is named " + name, started);
            }
            if (scope == DataSource.Scope.SYSTEM && findDataSource(name, DataSource.Scope.USER) != null) {
                if (NativeLibrary.platform().startsWith("windows")) {
                    return ConnectionProbe.notFound("the system data source " + name + " is hidden by a user data"
                            + " source of the same name, which the driver manager connects to instead", started);
                }
                // unixODBC's user file, out of the child's sight.
                environment.put("ODBCINI", "/dev/null");
            }
        }
        StringBuilder connection = new StringBuilder("DSN=").append(ConnectionProbe.value(name));
        List<String> secrets = new ArrayList<String>();
        if (credentials != null && credentials.getUser() != null) {
            connection.append(";UID=").append(ConnectionProbe.value(credentials.getUser()));
        }
        char[] password = credentials == null ? null : credentials.password();
        if (password != null) {
            String text = new String(password);
            Arrays.fill(password, '\0');
            connection.append(";PWD=").append(ConnectionProbe.value(text));
            secrets.add(text);
        }
        return ConnectionProbe.run(connection.toString(), timeout, ConnectionTest.Isolation.CHILD_PROCESS,
                environment, secrets);
    }

    /**
     * Tests a connection string in a child process of its own, as
     * {@link #testDataSource} does: {@code DSN=...}, {@code DRIVER={...};...}
     * and {@code FILEDSN=...} alike. The values of its {@code PWD} and
     * {@code PASSWORD} keys never appear in the result.
     *
     * @param connectionString the connection string
     * @param timeout how long the whole test may take, or null for 30 seconds
     * @return what the test found
     * @throws ODBCException as {@link #testDataSource}, and "Connection string
     *     is null!"
     * @throws IllegalArgumentException when the timeout is not positive
     */
    public static ConnectionTest testConnection(String connectionString, Duration timeout) throws ODBCException {
        return testConnection(connectionString, timeout, ConnectionTest.Isolation.CHILD_PROCESS);
    }

    /**
     * Tests a connection string, in a child process or in this one.
     * {@link ConnectionTest.Isolation#IN_PROCESS} saves the child's start (a
     * few milliseconds) where no process may be started, at the price of
     * this VM's life should the driver crash, and of a test that cannot be
     * given up should it hang past its login timeout.
     *
     * @param connectionString the connection string
     * @param timeout how long the whole test may take, or null for 30 seconds
     * @param isolation where the test runs
     * @return what the test found
     * @throws ODBCException as {@link #testConnection(String, Duration)};
     *     "Connection string is invalid!" in this process for a string that
     *     the platform's text cannot carry
     * @throws IllegalArgumentException when the timeout is not positive
     */
    public static ConnectionTest testConnection(String connectionString, Duration timeout,
            ConnectionTest.Isolation isolation) throws ODBCException {
        if (connectionString == null) {
            throw new ODBCException("Connection string is null!", ODBCException.Reason.INVALID_ARGUMENT, null);
        }
        return ConnectionProbe.run(connectionString, timeout, isolation == null
                ? ConnectionTest.Isolation.CHILD_PROCESS : isolation, new HashMap<String, String>(),
                ConnectionProbe.passwordsIn(connectionString));
    }

    /**
     * Diagnoses the configuration without loading anything: for each
     * installed driver, whether its library (and setup library) is found
     * where the driver manager's loader would look, is readable, is built
     * for this process's processor and word size, has every dependency
     * found, and exports the entry points a driver needs; for each data
     * source, whether its driver is installed and sound, and whether a user
     * data source hides it. The README lists the finding codes.
     *
     * @return the findings
     * @throws ODBCException "Could not diagnose the ODBC configuration!" when
     *     the configuration or this program's own file cannot be read, its
     *     cause saying why; the driver manager's messages as
     *     {@link #getDataSources()}
     */
    public static Diagnosis diagnose() throws ODBCException {
        String[] flat;
        try {
            flat = diagnoseConfiguration();
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
        List<Diagnosis.Finding> findings = new ArrayList<Diagnosis.Finding>();
        for (int i = 0; i + 3 < flat.length; i += 4) {
            findings.add(new Diagnosis.Finding(Diagnosis.Severity.values()[Integer.parseInt(flat[i])], flat[i + 1],
                    flat[i + 2], flat[i + 3]));
        }
        return new Diagnosis(findings);
    }

    /**
     * Installs a driver, or counts one more use of it, refusing to replace
     * one installed with another library: {@link #installDriver(String, Map,
     * DataSource.Scope, boolean)} without replacement.
     *
     * @param name the driver's name
     * @param attributes its entries, {@code Driver} among them
     * @param scope {@code SYSTEM} or {@code USER}
     * @return the usage count it has now
     * @throws ODBCException as {@link #installDriver(String, Map, DataSource.Scope, boolean)}
     */
    public static DriverUsage installDriver(String name, Map<String, String> attributes, DataSource.Scope scope)
            throws ODBCException {
        return installDriver(name, attributes, scope, false);
    }

    /**
     * Installs a driver, or counts one more use of it, as {@code odbcinst -i -d}
     * and Windows' {@code SQLInstallDriverEx} do. A new driver gets its
     * entries in the given order and {@code UsageCount=1}. One installed with
     * the same library ({@code Driver}) gets one more use and nothing else
     * changes; one installed with another library is refused, unless
     * {@code replace} is true: then its entries are replaced by these, and it
     * gets one more use too.
     *
     * @param name the driver's name (its section)
     * @param attributes its entries: {@code Driver} (its library) and any
     *     others ({@code Setup}, {@code Description}, ...), in order
     * @param scope {@code SYSTEM} for the system's driver file, {@code USER}
     *     for the user's ({@code $HOME/.odbcinst.ini})
     * @param replace whether a driver of that name with another library is replaced
     * @return the usage count it has now
     * @throws ODBCException "Error trying to install ODBC driver!" with the
     *     reason (another library, no {@code Driver} entry, a file that cannot
     *     be written); "Driver name is null!", "Driver name is invalid!"
     *     (empty, a control character, {@code [} or {@code ]}, a blank at
     *     either end, {@code ODBC}), "DataSource attribute text is invalid!"
     *     and "DataSource attribute text is too long!" for its entries, with
     *     nothing changed
     * @throws NullPointerException when {@code scope} is null
     */
    public static DriverUsage installDriver(String name, Map<String, String> attributes, DataSource.Scope scope,
            boolean replace) throws ODBCException {
        int bits = scope.bits;
        try {
            return new DriverUsage(installDriverIn(name, keysAndValues(attributes), bits, replace));
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
    }

    /**
     * Counts one use of a driver less; at the last, removes it, as
     * {@code odbcinst -u -d} and Windows' {@code SQLRemoveDriver} do. With
     * {@code removeDataSources}, the data sources that use it go with its
     * last use, in every scope this process may change; those it may not, and
     * without {@code removeDataSources} all that use it, keep the driver
     * installed with a usage count of 0, and the result names them.
     *
     * @param name the driver's name
     * @param scope the driver file it is installed in
     * @param removeDataSources whether the data sources that use it go too
     * @return what the removal left
     * @throws ODBCException "Error trying to remove ODBC driver!" (no such
     *     driver, a file that cannot be written), "Driver name is null!",
     *     "Driver name is invalid!"
     * @throws NullPointerException when {@code scope} is null
     */
    public static DriverUsage removeDriver(String name, DataSource.Scope scope, boolean removeDataSources)
            throws ODBCException {
        int bits = scope.bits;
        try {
            return new DriverUsage(removeDriverIn(name, bits, removeDataSources));
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
    }

    /**
     * Changes a driver's entries in place, as
     * {@link #configureDataSource(String, DataSource.Scope, Map, Collection)}
     * does a data source's ({@code Driver}, its library, may be set here).
     *
     * @param name the driver's name
     * @param scope the driver file it is installed in
     * @param set entries to set, or null
     * @param unset keys to take out, or null
     * @return the driver as the driver manager lists it now, or null when a
     *     driver of that name in another file hides it
     * @throws ODBCException "Error trying to configure ODBC driver!" (no such
     *     driver, a file that cannot be written), and the messages of
     *     {@link #installDriver} for the name and entries
     * @throws NullPointerException when {@code scope} is null
     */
    public static ODBCDriver configureDriver(String name, DataSource.Scope scope, Map<String, String> set,
            Collection<String> unset) throws ODBCException {
        int bits = scope.bits;
        try {
            configureDriverIn(name, bits, keysAndValues(set), unset == null ? null : unset.toArray(new String[0]));
            return findDriver(name);
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
    }

    /**
     * The driver manager's own settings: tracing ({@code Trace},
     * {@code TraceFile}), pooling ({@code Pooling}, {@code CPTimeout}) and the
     * rest.
     *
     * @return the settings
     * @throws ODBCException "Could not read ODBC configuration!" with the reason
     */
    public static DriverManagerSettings getDriverManagerSettings() throws ODBCException {
        try {
            return new DriverManagerSettings(driverManagerSettings());
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
    }

    /**
     * Changes the driver manager's settings in place; on Linux the system's
     * driver file, which needs a process that may write it.
     *
     * @param set entries to set, or null
     * @param unset keys to take out, or null
     * @return the settings as changed
     * @throws ODBCException "Error trying to configure the ODBC driver
     *     manager!" with the reason, and the messages of entries as
     *     {@link #installDriver}
     */
    public static DriverManagerSettings configureDriverManager(Map<String, String> set, Collection<String> unset)
            throws ODBCException {
        try {
            configureDriverManagerIn(keysAndValues(set), unset == null ? null : unset.toArray(new String[0]));
            return new DriverManagerSettings(driverManagerSettings());
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
    }

    /**
     * The folder that file data sources are kept in by default: on Linux
     * {@code FileDSNPath} of the driver manager's settings, else
     * {@code ODBCDataSources} beside the system's driver file.
     *
     * @return the folder
     * @throws ODBCException "Could not read ODBC configuration!"
     */
    public static String getFileDataSourceFolder() throws ODBCException {
        try {
            return fileDataSourceFolder();
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
    }

    /**
     * Every file data source ({@code *.dsn}) of a folder, by name; a file
     * without an {@code [ODBC]} section is left out.
     *
     * @param folder the folder, or null for the default one
     * @return the file data sources
     * @throws ODBCException "Could not read ODBC file data source!" when the
     *     folder cannot be listed
     */
    public static List<FileDataSource> listFileDataSources(String folder) throws ODBCException {
        String[] flat;
        try {
            flat = listFileDataSourcesIn(folder);
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
        List<FileDataSource> found = new ArrayList<FileDataSource>();
        for (int i = 0; i < flat.length;) {
            int count = Integer.parseInt(flat[i + 1]);
            found.add(new FileDataSource(flat[i], flat, i + 2, count));
            i += 2 + 2 * count;
        }
        return Collections.unmodifiableList(found);
    }

    /**
     * Reads a file data source. A path that is not a full one names a file in
     * the default folder ({@code .dsn} added when it lacks it), never out of it.
     *
     * @param path the file
     * @return its entries
     * @throws ODBCException "Could not read ODBC file data source!" (missing,
     *     unreadable, no {@code [ODBC]} section, a path leading out of the
     *     folder), "File data source path is null!"
     */
    public static FileDataSource readFileDataSource(String path) throws ODBCException {
        try {
            String[] flat = readFileDataSourceAt(path);
            return new FileDataSource(flat[0], flat, 1, (flat.length - 1) / 2);
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
    }

    /**
     * Writes a file data source: its {@code [ODBC]} section holds exactly
     * these entries afterwards, every other byte of the file kept; a new file
     * is made when there is none. The change is atomic, as every change of a
     * configuration file. Paths as {@link #readFileDataSource(String)}.
     *
     * @param path the file
     * @param entries the entries ({@code DRIVER} among them, as {@code FILEDSN=} needs)
     * @return the file as written
     * @throws ODBCException "Error trying to change ODBC file data source!"
     *     with the reason; the messages of entries as {@link #installDriver}
     */
    public static FileDataSource writeFileDataSource(String path, Map<String, String> entries)
            throws ODBCException {
        try {
            return readFileDataSource(writeFileDataSourceAt(path, keysAndValues(entries)));
        } catch (ODBCException e) {
            throw e;
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
    }

    /**
     * Removes a file data source: a file with an {@code [ODBC]} section, and
     * nothing else. Paths as {@link #readFileDataSource(String)}.
     *
     * @param path the file
     * @throws ODBCException "Error trying to change ODBC file data source!"
     *     and "Could not read ODBC file data source!" with the reason
     */
    public static void removeFileDataSource(String path) throws ODBCException {
        try {
            removeFileDataSourceAt(path);
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
    }

    /**
     * Where each installed driver is installed: the names of those the
     * listing takes from the user's driver file ({@code $HOME/.odbcinst.ini});
     * every other driver is the system's. None on Windows.
     *
     * @return the names of the user's drivers, in listing order
     * @throws ODBCException "Could not read ODBC configuration!" with the reason
     */
    public static List<String> listUserDrivers() throws ODBCException {
        try {
            return Collections.unmodifiableList(Arrays.asList(userDriverNames()));
        } catch (Throwable t) {
            throw ODBCException.from(t);
        }
    }

    private static native String[] userDriverNames();

    private static native String[] installDriverIn(String name, String[] entries, int scope, boolean replace);

    private static native String[] removeDriverIn(String name, int scope, boolean removeDataSources);

    private static native boolean configureDriverIn(String name, int scope, String[] set, String[] unset);

    private static native String[] driverManagerSettings();

    private static native boolean configureDriverManagerIn(String[] set, String[] unset);

    private static native String fileDataSourceFolder();

    private static native String[] listFileDataSourcesIn(String folder);

    private static native String[] readFileDataSourceAt(String path);

    private static native String writeFileDataSourceAt(String path, String[] entries);

    private static native String removeFileDataSourceAt(String path);

    static String probeHere(String connectionString, int timeoutSeconds) throws Throwable {
        return probeConnectionHere(connectionString, timeoutSeconds);
    }

    private static native String probeConnectionHere(String connectionString, int timeoutSeconds);

    private static native String[] diagnoseConfiguration();

    private static native DataSource[] listDataSourcesIn(int scopes);

    private static native DataSource registerDataSourceIn(String name, String driver, String[] attributes, int scope);

    private static native boolean unregisterDataSourceIn(String name, String driver, int scope);

    private static native DataSource configureDataSourceIn(String name, int scope, String[] set, String[] unset);

    /** The entries' keys and values by turns, in the map's order; null for none. */
    private static String[] keysAndValues(Map<String, String> entries) {
        if (entries == null) {
            return null;
        }
        String[] keysAndValues = new String[2 * entries.size()];
        int i = 0;
        for (Map.Entry<String, String> entry : entries.entrySet()) {
            keysAndValues[i++] = entry.getKey();
            keysAndValues[i++] = entry.getValue();
        }
        return keysAndValues;
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
