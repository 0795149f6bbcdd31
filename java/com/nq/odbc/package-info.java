/**
 * The machine's ODBC configuration for Java programs: the installed drivers
 * with their attributes, the configured data sources with their drivers, and
 * registration and removal of user data sources.
 *
 * <p>{@link com.nq.odbc.ODBC} is the entry point; it returns
 * {@link com.nq.odbc.ODBCDriver} and {@link com.nq.odbc.DataSource} values,
 * which are immutable.
 *
 * <pre>{@code
 * for (DataSource source : ODBC.getDataSources()) {
 *     System.out.println(source.getName() + " -> " + source.getDriver());
 * }
 * ODBC.registerDataSource("demo", "SQLite3", Collections.singletonMap("Database", "/tmp/demo.db"));
 * }</pre>
 *
 * <h2>Platforms</h2>
 * <ul>
 * <li>Linux (x86-64, AArch64), with the unixODBC driver manager (Debian and
 *     Ubuntu: package {@code unixodbc}; Fedora and RHEL: {@code unixODBC}), glibc
 *     2.17 or newer. Listings read the driver manager's configuration files
 *     afresh on every call, with unixODBC's own reader, so they are never
 *     stale and never cut short. Registration writes the user's file
 *     ({@code $ODBCINI}, else {@code ~/.odbc.ini}) one section at a time,
 *     atomically, under a lock that every process using this library takes;
 *     comments and the rest of the file stay as they were. Text is UTF-8.</li>
 * <li>Windows (32 and 64 bits), with the system's ODBC driver manager and its
 *     installer {@code odbccp32.dll}, which may show message boxes. Text is in
 *     the ANSI code page; a character the code page lacks is refused.</li>
 * </ul>
 *
 * <h2>Threads</h2>
 * Every method may be called from any number of threads at once. On Linux a
 * registration or removal waits for the listings of its process that are
 * already running, and listings that start later wait for it; on Windows
 * nothing waits.
 *
 * <h2>Failures</h2>
 * The library raises {@link java.lang.Throwable} (the class itself) with one
 * of a fixed set of English messages, listed on each method. The native
 * library is loaded when {@code ODBC} is first used; when it cannot be loaded,
 * an {@link java.lang.UnsatisfiedLinkError} says every place tried and why.
 */
package com.nq.odbc;
