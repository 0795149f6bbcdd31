/**
 * The machine's ODBC configuration for Java programs: the installed drivers
 * with their attributes, the configured data sources with their drivers,
 * scopes and own entries, editing of those entries in place, and
 * registration and removal of user and system data sources.
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
 * for (DataSource source : ODBC.listDataSources(DataSource.Scope.SYSTEM)) {
 *     System.out.println(source.getName() + " " + source.getAttributes());
 * }
 * }</pre>
 *
 * <h2>Platforms</h2>
 * <ul>
 * <li>Linux (x86-64, AArch64), with the unixODBC driver manager (Debian and
 *     Ubuntu: package {@code unixodbc}; Fedora and RHEL: {@code unixODBC}), glibc
 *     2.17 or newer. Listings read the driver manager's configuration files
 *     afresh on every call, with unixODBC's own reader, so they are never
 *     stale and never cut short. Registration writes the user's file
 *     ({@code $ODBCINI}, else {@code ~/.odbc.ini}), or for a system data
 *     source the system's ({@code odbc.ini}, which usually only root may
 *     write), one section at a time, atomically, under a lock that every
 *     process using this library takes; comments and the rest of the file
 *     stay as they were. Text is UTF-8.</li>
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
 * The four methods the native library serves directly raise
 * {@link java.lang.Throwable} (the class itself) with one of a fixed set of
 * English messages, listed on each method; the methods that take a
 * {@link com.nq.odbc.DataSource.Scope} raise the checked
 * {@link com.nq.odbc.ODBCException} with the same messages, and every
 * exception's cause says why. The native
 * library is loaded when {@code ODBC} is first used; when it cannot be loaded,
 * an {@link java.lang.UnsatisfiedLinkError} says every place tried and why.
 */
package com.nq.odbc;
