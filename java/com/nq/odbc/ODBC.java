package com.nq.odbc;

import java.nio.file.Path;
import java.nio.file.Paths;
import java.time.Duration;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collection;
import java.util.Collections;
import java.util.HashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.Objects;

/**
 * The machine's ODBC configuration, as the ODBC driver manager sees it: the
 * installed drivers and the configured data sources, and registration and
 * removal of user data sources.
 *
 * <p>Every call reads the configuration afresh; nothing is cached. Calls may
 * come from any number of threads. Four methods keep the original form of
 * the library ({@link #getDrivers()}, {@link #getDataSources()},
 * {@link #registerDataSource(String, String, String)},
 * {@link #unregisterDataSource(String, String)}, and the two forms of
 * registration built on the third): they raise {@link Throwable} itself,
 * which {@code catch (Exception e)} does not catch and which they do not
 * declare. Every other method raises {@link ODBCException}, a checked
 * exception with the same fixed English message, a {@link ODBCException.Reason}
 * and a cause that says why; each method lists its messages.
 *
 * <p>The habits of every method but those four:
 * <ul>
 * <li>Collections are {@link List}s and unmodifiable {@link Map}s, in the
 *     configuration's order.</li>
 * <li>Names and keys are looked up as the driver manager looks them up: ASCII
 *     letter case ignored, the first match in the configuration's order.</li>
 * <li>A null scope in a lookup means the user's data sources, then the
 *     system's; a change refuses a null scope with a
 *     {@link NullPointerException} that names the parameter.</li>
 * <li>Reads are nouns ({@link #drivers()}, {@link #dataSources(DataSource.Scope...)},
 *     {@link #driverManagerSettings()}, ...), actions verbs.</li>
 * </ul>
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
 * entries in place, and register and remove system data sources:
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
     * <p><b>Raises {@code java.lang.Throwable}</b>, undeclared, which
     * {@code catch (Exception e)} does not catch; {@link #dataSources(DataSource.Scope...)}, which lists every data source with its scope and entries, raises
     * {@link ODBCException} instead.
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
     * <p><b>Raises {@code java.lang.Throwable}</b>, undeclared, which
     * {@code catch (Exception e)} does not catch; {@link #drivers()} raises
     * {@link ODBCException} instead.
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
     * <p><b>Raises {@code java.lang.Throwable}</b>, undeclared, which
     * {@code catch (Exception e)} does not catch; {@link #registerDataSource(String, String, Map, DataSource.Scope)} raises
     * {@link ODBCException} instead.
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
     * <p><b>Raises {@code java.lang.Throwable}</b>, undeclared, which
     * {@code catch (Exception e)} does not catch; {@link #unregisterDataSource(String, String, DataSource.Scope)} raises
     * {@link ODBCException} instead.
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
     * <p><b>Raises {@code java.lang.Throwable}</b>, undeclared, which
     * {@code catch (Exception e)} does not catch; {@link #registerDataSource(String, String, Map, DataSource.Scope)} raises
     * {@link ODBCException} instead.
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
     * <p><b>Raises {@code java.lang.Throwable}</b>, undeclared, which
     * {@code catch (Exception e)} does not catch; {@link #registerDataSource(String, String, Map, DataSource.Scope)} raises
     * {@link ODBCException} instead.
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
     * Every installed driver with its attributes, as {@link #getDrivers()}
     * lists them, raising {@link ODBCException}.
     *
     * @return the drivers in the order of the configuration
     * @throws ODBCException "Could not read ODBC configuration!" when a
     *     configuration file cannot be read, its cause saying which and why;
     *     the driver manager's messages as {@link #getDataSources()}
     */
    public static List<ODBCDriver> drivers() throws ODBCException {
        ODBCDriver[] listed = ODBCDriver.listed(listDrivers());
        List<ODBCDriver> drivers = new ArrayList<ODBCDriver>(listed.length);
        for (ODBCDriver driver : listed) {
            if (driver != null) {
                drivers.add(driver);
            }
        }
        return Collections.unmodifiableList(drivers);
    }

    /**
     * Finds an installed driver by its name, as the driver manager finds it:
     * ASCII letter case ignored, the first of that name it lists.
     *
     * @param name the driver's name (its description)
     * @return the driver, or null when there is none (or {@code name} is null)
     * @throws ODBCException as {@link #drivers()}
     */
    public static ODBCDriver findDriver(String name) throws ODBCException {
        for (ODBCDriver driver : drivers()) {
            if (Entries.sameKeyword(driver.getDescription(), name)) {
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
     * @param scopes the scopes to list; none, null, or a null among them: both
     * @return the user data sources, then the system ones, each in the order
     *     of the configuration, one per name (letter case ignored) and scope
     * @throws ODBCException "Could not read ODBC configuration!" when a
     *     configuration file (or on Windows the installer) cannot be read,
     *     its cause saying which and why; the driver manager's messages as
     *     {@link #getDataSources()}
     */
    public static List<DataSource> dataSources(DataSource.Scope... scopes) throws ODBCException {
        return Collections.unmodifiableList(Arrays.asList(DataSource.listed(listDataSourcesIn(scopeBits(scopes)))));
    }

    /**
     * The data sources of the scopes given, as {@link #dataSources(DataSource.Scope...)}.
     *
     * @param scopes the scopes to list
     * @return the data sources
     * @throws ODBCException as {@link #dataSources(DataSource.Scope...)}
     * @deprecated use {@link #dataSources(DataSource.Scope...)}, which returns a {@link List}
     */
    @Deprecated
    public static DataSource[] listDataSources(DataSource.Scope... scopes) throws ODBCException {
        return dataSources(scopes).toArray(new DataSource[0]);
    }

    /**
     * Finds a data source by name as the driver manager connects to it: the
     * first that {@link #getDataSources()} lists of that name, ASCII letter
     * case ignored. A system data source that a user one of the same name
     * hides is not found here; {@link #findDataSource(String, DataSource.Scope)}
     * finds it in its scope.
     *
     * @param name the data source's name
     * @return the data source with its driver, or null when there is none
     *     (or {@code name} is null)
     * @throws ODBCException "Could not read ODBC configuration!" when a
     *     configuration file cannot be read; the driver manager's messages as
     *     {@link #getDataSources()}
     */
    public static DataSource findDataSource(String name) throws ODBCException {
        for (DataSource dataSource : DataSource.listed(listDriverManagerDataSources())) {
            if (dataSource != null && Entries.sameKeyword(dataSource.getName(), name)) {
                return dataSource;
            }
        }
        return null;
    }

    /**
     * Finds a data source by name, as the driver manager finds it: ASCII
     * letter case ignored, a user data source before a system one.
     *
     * @param name the data source's name
     * @param scope where to look, or null for the user's data sources, then the system's
     * @return the data source with its scope and entries, or null when there
     *     is none (or {@code name} is null)
     * @throws ODBCException as {@link #dataSources(DataSource.Scope...)}
     */
    public static DataSource findDataSource(String name, DataSource.Scope scope) throws ODBCException {
        for (DataSource dataSource : dataSources(scope)) {
            if (Entries.sameKeyword(dataSource.getName(), name)) {
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
     * @param name the data source's name (letter case ignored)
     * @param scope where it is configured
     * @param set entries to set, or null for none
     * @param unset keys to take out, or null for none
     * @return the data source as changed
     * @throws ODBCException "Error trying to configure ODBC DataSource!" when
     *     there is no such data source or it cannot be changed (for a system
     *     data source on Linux, unless the process may write the system's
     *     file, or, the change made, another program has rewritten the file
     *     since without the data source), the cause saying why; "DataSource name is null!",
     *     "DataSource name is invalid!", "DataSource attribute text is
     *     invalid!" (a key that is empty, holds {@code =} or a line break,
     *     starts with {@code [}, {@code #} or {@code ;}, is {@code DSN} or
     *     {@code Driver}, or is given twice; a null or a value with a line
     *     break) and "DataSource attribute text is too long!" (an entry that
     *     as {@code key=value} would be a line over 999 bytes), with nothing
     *     changed
     * @throws NullPointerException when {@code scope} is null
     */
    public static DataSource configureDataSource(String name, DataSource.Scope scope, Map<String, String> set,
            Collection<String> unset) throws ODBCException {
        int bits = requireScope(scope);
        return DataSource.firstListed(configureDataSourceIn(name, bits, keysAndValues(set), keys(unset)));
    }

    /**
     * Registers a data source of that scope for an installed driver,
     * replacing one of the same name in that scope, and reads it back. For
     * a system data source on Linux the process must be able to write the
     * system's file (as root, usually). The entries reach the configuration
     * as they are: on Linux a {@code ;} in a value is kept where no setup
     * library reads the entries as one text.
     *
     * @param name the data source's name
     * @param driver the driver's name (its description)
     * @param attributes its entries, or null for none
     * @param scope where to register it
     * @return the new data source with its scope and entries, or null when it
     *     cannot be read back under that name
     * @throws ODBCException with the messages of
     *     {@link #registerDataSource(String, String, String)}, and
     *     "DataSource attribute text is invalid!" for an entry that no file or
     *     installer text could carry (an empty or null key or value, a key
     *     holding {@code =}, a {@code ;} where the entries go as one text)
     * @throws NullPointerException when {@code scope} is null
     */
    public static DataSource registerDataSource(String name, String driver, Map<String, String> attributes,
            DataSource.Scope scope) throws ODBCException {
        int bits = requireScope(scope);
        return DataSource.firstListed(registerDataSourceIn(name, driver, keysAndValues(attributes), bits));
    }

    /**
     * Removes a data source of that scope.
     *
     * @param name the data source's name
     * @param driver the name of the driver it uses
     * @param scope where it is configured
     * @throws ODBCException with the messages of {@link #unregisterDataSource(String, String)}
     * @throws NullPointerException when {@code scope} is null
     */
    public static void unregisterDataSource(String name, String driver, DataSource.Scope scope)
            throws ODBCException {
        unregisterDataSourceIn(name, driver, requireScope(scope));
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
     * <p>The configuration is asked first: a name that no scope asked holds is
     * {@link ConnectionTest.Status#NOT_FOUND}, and a data source whose driver
     * is not installed {@link ConnectionTest.Status#DRIVER_NOT_INSTALLED},
     * both without calling the driver manager. With a scope, the data source
     * must be configured there: a system
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
            throw Messages.NAME_IS_NULL.failure("the name argument is null");
        }
        ConnectionProbe.seconds(timeout);
        long started = System.nanoTime();
        Map<String, String> environment = new HashMap<String, String>();
        Record target = new Record(findTestTarget(name, scope == null ? 0 : scope.bits));
        int verdict = target.number();
        String reason = target.text();
        String driver = target.text();
        if (verdict == NOT_FOUND) {
            return ConnectionProbe.notFound(reason, started);
        }
        if (verdict == DRIVER_NOT_INSTALLED) {
            return ConnectionProbe.driverNotInstalled(reason, driver, started);
        }
        if (target.flag()) {
            // unixODBC's user file, out of the child's sight.
            environment.put("ODBCINI", "/dev/null");
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
            throw Messages.CONNECTION_STRING_IS_NULL.failure("the connection string is null");
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
     * data source hides it. The project's docs/api.md lists the finding codes.
     *
     * @return the findings
     * @throws ODBCException "Could not diagnose the ODBC configuration!" when
     *     the configuration or this program's own file cannot be read, its
     *     cause saying why; the driver manager's messages as
     *     {@link #getDataSources()}
     */
    public static Diagnosis diagnose() throws ODBCException {
        return diagnose(new String[0]);
    }

    /**
     * Diagnoses the configuration as {@link #diagnose()} does, leaving out
     * known findings: a script can say "that one is known" (Debian's own
     * {@code [SQLite]} entry naming a library that is not installed, say).
     *
     * @param ignore codes of findings to leave out, each alone
     *     ({@code driver.library-not-found}) or with the subject it is about
     *     ({@code driver.library-not-found:SQLite}); null elements are passed over
     * @return the findings not left out
     * @throws ODBCException as {@link #diagnose()}
     */
    public static Diagnosis diagnose(String... ignore) throws ODBCException {
        return new Diagnosis(new Record(diagnoseConfiguration(ignore)));
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
        int bits = requireScope(scope);
        return new DriverUsage(new Record(installDriverIn(name, keysAndValues(attributes), bits, replace)));
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
        return new DriverUsage(new Record(removeDriverIn(name, requireScope(scope), removeDataSources)));
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
        configureDriverIn(name, requireScope(scope), keysAndValues(set), keys(unset));
        return findDriver(name);
    }

    /**
     * The driver manager's own settings: tracing ({@code Trace},
     * {@code TraceFile}), pooling ({@code Pooling}, {@code CPTimeout}) and the
     * rest.
     *
     * @return the settings
     * @throws ODBCException "Could not read ODBC configuration!" with the reason
     */
    public static DriverManagerSettings driverManagerSettings() throws ODBCException {
        return new DriverManagerSettings(new Record(readDriverManagerSettings()));
    }

    /**
     * The driver manager's own settings, as {@link #driverManagerSettings()}.
     *
     * @return the settings
     * @throws ODBCException as {@link #driverManagerSettings()}
     * @deprecated use {@link #driverManagerSettings()}
     */
    @Deprecated
    public static DriverManagerSettings getDriverManagerSettings() throws ODBCException {
        return driverManagerSettings();
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
        configureDriverManagerIn(keysAndValues(set), keys(unset));
        return driverManagerSettings();
    }

    /**
     * The folder that file data sources are kept in by default: on Linux
     * {@code FileDSNPath} of the driver manager's settings, else
     * {@code ODBCDataSources} beside the system's driver file.
     *
     * @return the folder
     * @throws ODBCException "Could not read ODBC configuration!"
     */
    public static Path fileDataSourceFolder() throws ODBCException {
        return Paths.get(readFileDataSourceFolder());
    }

    /**
     * The default folder of file data sources, as {@link #fileDataSourceFolder()}.
     *
     * @return the folder
     * @throws ODBCException as {@link #fileDataSourceFolder()}
     * @deprecated use {@link #fileDataSourceFolder()}, which returns a {@link Path}
     */
    @Deprecated
    public static String getFileDataSourceFolder() throws ODBCException {
        return readFileDataSourceFolder();
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
    public static List<FileDataSource> fileDataSources(Path folder) throws ODBCException {
        return FileDataSource.list(new Record(listFileDataSourcesIn(folder == null ? null : folder.toString())));
    }

    /**
     * Every file data source of a folder, as {@link #fileDataSources(Path)}.
     *
     * @param folder the folder, or null for the default one
     * @return the file data sources
     * @throws ODBCException as {@link #fileDataSources(Path)}
     * @deprecated use {@link #fileDataSources(Path)}
     */
    @Deprecated
    public static List<FileDataSource> listFileDataSources(String folder) throws ODBCException {
        return FileDataSource.list(new Record(listFileDataSourcesIn(folder)));
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
        return new FileDataSource(new Record(readFileDataSourceAt(path)));
    }

    /**
     * Reads a file data source, as {@link #readFileDataSource(String)}.
     *
     * @param path the file
     * @return its entries
     * @throws ODBCException as {@link #readFileDataSource(String)}
     */
    public static FileDataSource readFileDataSource(Path path) throws ODBCException {
        return readFileDataSource(path == null ? null : path.toString());
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
        return new FileDataSource(new Record(writeFileDataSourceAt(path, keysAndValues(entries))));
    }

    /**
     * Writes a file data source, as {@link #writeFileDataSource(String, Map)}.
     *
     * @param path the file
     * @param entries the entries
     * @return the file as written
     * @throws ODBCException as {@link #writeFileDataSource(String, Map)}
     */
    public static FileDataSource writeFileDataSource(Path path, Map<String, String> entries) throws ODBCException {
        return writeFileDataSource(path == null ? null : path.toString(), entries);
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
        removeFileDataSourceAt(path);
    }

    /**
     * Removes a file data source, as {@link #removeFileDataSource(String)}.
     *
     * @param path the file
     * @throws ODBCException as {@link #removeFileDataSource(String)}
     */
    public static void removeFileDataSource(Path path) throws ODBCException {
        removeFileDataSource(path == null ? null : path.toString());
    }

    /**
     * Where each installed driver is installed: the names of those the
     * listing takes from the user's driver file ({@code $HOME/.odbcinst.ini});
     * every other driver is the system's. None on Windows.
     *
     * @return the names of the user's drivers, in listing order
     * @throws ODBCException "Could not read ODBC configuration!" with the reason
     */
    public static List<String> userDrivers() throws ODBCException {
        return new Record(userDriverNames()).texts();
    }

    /**
     * The names of the user's drivers, as {@link #userDrivers()}.
     *
     * @return the names
     * @throws ODBCException as {@link #userDrivers()}
     * @deprecated use {@link #userDrivers()}
     */
    @Deprecated
    public static List<String> listUserDrivers() throws ODBCException {
        return userDrivers();
    }

    /**
     * The machine's configuration as a state document (JSON, version 1, as
     * {@code state/state.schema.json} describes it): every driver (without
     * its usage count), data source, driver manager setting and file data
     * source of the default folder that a state can name. Applied to the same
     * machine, it changes nothing.
     *
     * @param reveal whether the values of secret keys ({@code PWD},
     *     {@code Password}, tokens, ...) are written as they are; otherwise each
     *     is {@code {"redacted": true}}, which applying keeps as it is
     * @return the document's text
     * @throws ODBCException "Could not read ODBC configuration!" with the reason
     */
    public static String exportConfiguration(boolean reveal) throws ODBCException {
        return exportState(reveal);
    }

    /**
     * The changes that would bring the configuration to the state, without a
     * diff: {@link #plan(String, boolean, boolean)}.
     *
     * @param state the state document's text
     * @param prune whether what the state does not name goes, within its kinds and scopes
     * @return the changes
     * @throws ODBCException as {@link #plan(String, boolean, boolean)}
     */
    public static ConfigurationPlan plan(String state, boolean prune) throws ODBCException {
        return plan(state, prune, false);
    }

    /**
     * The changes that would bring the configuration to the state, entry by
     * entry, secrets masked; nothing is written. A state names only what it
     * manages: whatever it does not name stays, unless {@code prune} is asked
     * for, which removes the sections and entries it does not name within the
     * kinds and scopes it names (a driver only when the state's is its one use).
     * Values given by reference ({@code {"env": NAME}}, {@code {"file": PATH}})
     * are resolved to compare them.
     *
     * @param state the state document's text
     * @param prune whether what the state does not name goes
     * @param diffs whether each file's changes come as a unified diff too
     * @return the changes
     * @throws ODBCException "ODBC configuration state is invalid!" (not JSON,
     *     a fault of the document, named by its path such as
     *     {@code $.dataSources[0].entries.PWD}, a reference that cannot be
     *     resolved, a redacted value with none in place), "ODBC configuration
     *     state is null!", "Could not read ODBC configuration!"
     */
    public static ConfigurationPlan plan(String state, boolean prune, boolean diffs) throws ODBCException {
        return new ConfigurationPlan(new Record(planState(state, prune, diffs)));
    }

    /**
     * Brings the configuration to the state: the changes of
     * {@link #plan(String, boolean, boolean)} made, each file written once
     * through the library's writer (atomic, locked, mode and owner kept; a user
     * file that receives a secret ends private to its owner). On Linux it is
     * all or nothing: when a file cannot be written, those written before it
     * are put back as they were, and the result says so. On Windows the
     * installer's requests make the changes one by one, and what was done
     * stays done. Applying the same state again changes nothing, not even a
     * file's modification time.
     *
     * @param state the state document's text
     * @param check whether only to say what would change, writing nothing
     * @param prune whether what the state does not name goes
     * @return what was changed, and on a failure to write, why and what was put back
     * @throws ODBCException as {@link #plan(String, boolean, boolean)}, with nothing
     *     changed; "Error trying to apply ODBC configuration state!" when the lock
     *     timeout property is not a number of milliseconds
     */
    public static ConfigurationApplied apply(String state, boolean check, boolean prune) throws ODBCException {
        return new ConfigurationApplied(new Record(applyState(state, check, prune)));
    }

    static char[] probeHere(String connectionString, int timeoutSeconds) throws ODBCException {
        return probeConnectionHere(connectionString, timeoutSeconds);
    }

    // The natives beside the original four: each raises ODBCException, and
    // hands its result over as a record (see Record) that a value class reads.

    private static native char[] listDrivers() throws ODBCException;

    private static native char[] listDriverManagerDataSources() throws ODBCException;

    private static native char[] listDataSourcesIn(int scopes) throws ODBCException;

    private static native char[] registerDataSourceIn(String name, String driver, String[] attributes, int scope)
            throws ODBCException;

    private static native boolean unregisterDataSourceIn(String name, String driver, int scope) throws ODBCException;

    private static native char[] configureDataSourceIn(String name, int scope, String[] set, String[] unset)
            throws ODBCException;

    private static native char[] userDriverNames() throws ODBCException;

    private static native char[] installDriverIn(String name, String[] entries, int scope, boolean replace)
            throws ODBCException;

    private static native char[] removeDriverIn(String name, int scope, boolean removeDataSources)
            throws ODBCException;

    private static native boolean configureDriverIn(String name, int scope, String[] set, String[] unset)
            throws ODBCException;

    private static native char[] readDriverManagerSettings() throws ODBCException;

    private static native boolean configureDriverManagerIn(String[] set, String[] unset) throws ODBCException;

    private static native String readFileDataSourceFolder() throws ODBCException;

    private static native char[] listFileDataSourcesIn(String folder) throws ODBCException;

    private static native char[] readFileDataSourceAt(String path) throws ODBCException;

    private static native char[] writeFileDataSourceAt(String path, String[] entries) throws ODBCException;

    private static native String removeFileDataSourceAt(String path) throws ODBCException;

    private static native String exportState(boolean reveal) throws ODBCException;

    private static native char[] planState(String state, boolean prune, boolean diffs) throws ODBCException;

    private static native char[] applyState(String state, boolean check, boolean prune) throws ODBCException;

    private static native char[] probeConnectionHere(String connectionString, int timeoutSeconds)
            throws ODBCException;

    private static native char[] diagnoseConfiguration(String[] ignore) throws ODBCException;

    /** The verdicts of findTestTarget's record, as the native side numbers them. */
    private static final int NOT_FOUND = 1;
    private static final int DRIVER_NOT_INSTALLED = 2;

    private static native char[] findTestTarget(String name, int scope) throws ODBCException;

    /** The scopes' bits: none, null or a null among them stands for both. */
    private static int scopeBits(DataSource.Scope[] scopes) {
        int bits = 0;
        for (DataSource.Scope scope : scopes == null ? new DataSource.Scope[0] : scopes) {
            if (scope == null) {
                return DataSource.Scope.USER.bits | DataSource.Scope.SYSTEM.bits;
            }
            bits |= scope.bits;
        }
        return bits == 0 ? DataSource.Scope.USER.bits | DataSource.Scope.SYSTEM.bits : bits;
    }

    /** A change's scope, which must be given. */
    private static int requireScope(DataSource.Scope scope) {
        return Objects.requireNonNull(scope, "scope").bits;
    }

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

    private static String[] keys(Collection<String> keys) {
        return keys == null ? null : keys.toArray(new String[0]);
    }

    /**
     * The attribute text of the original registration: the checks that keep
     * a map's entries from changing the text's meaning, made where the text
     * is composed.
     */
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
