package com.nq.odbc;

/**
 * A failure of the ODBC configuration, as a checked exception: the library's
 * fixed message, a machine-readable {@link Reason}, and the cause, whose
 * message says why in one line (the driver that is not installed, the file
 * that cannot be written with the system's error text, ...).
 *
 * <p>The four methods that the native library serves directly
 * ({@link ODBC#getDrivers()}, {@link ODBC#getDataSources()},
 * {@link ODBC#registerDataSource(String, String, String)},
 * {@link ODBC#unregisterDataSource(String, String)}) raise
 * {@link Throwable} itself, which {@code catch (Exception e)} does not catch;
 * {@link #from(Throwable)} turns what they raise into this type:
 *
 * <pre>{@code
 * try {
 *     ODBC.registerDataSource("demo", "SQLite3", "Database=/tmp/demo.db");
 * } catch (Throwable t) {
 *     ODBCException e = ODBCException.from(t);   // rethrows Errors and unchecked exceptions
 *     System.err.println(e.getMessage() + " " + e.getReason() + ": " + e.getCause().getMessage());
 * }
 * }</pre>
 */
public class ODBCException extends Exception {
    private static final long serialVersionUID = 1L;

    /** What kind of failure it is. */
    public enum Reason {
        /** A name, driver or attribute text that no request could accept. */
        INVALID_ARGUMENT,
        /** The configuration refused the request: see the cause for why. */
        REFUSED,
        /** The ODBC driver manager failed. */
        DRIVER_MANAGER,
        /** A configuration file could not be read (Linux). */
        CONFIGURATION_UNREADABLE,
        /** An unexpected failure inside the library. */
        INTERNAL
    }

    /** What kind of failure it is. */
    private final Reason reason;

    /**
     * Makes an exception.
     *
     * @param message the library's fixed message
     * @param reason what kind of failure it is
     * @param cause the failure that says why, or null
     */
    public ODBCException(String message, Reason reason, Throwable cause) {
        super(message, cause);
        this.reason = reason;
    }

    /**
     * What kind of failure it is.
     *
     * @return the reason, never null
     */
    public Reason getReason() {
        return reason;
    }

    /**
     * The exception that a {@link Throwable} raised by the native library
     * stands for.
     *
     * @param raised what a method of {@link ODBC} raised
     * @return the same failure as an {@code ODBCException}, with the same
     *     message and cause
     * @throws Error when {@code raised} is one (an {@code UnsatisfiedLinkError}, say)
     * @throws RuntimeException when {@code raised} is one
     */
    public static ODBCException from(Throwable raised) {
        if (raised instanceof ODBCException) {
            return (ODBCException) raised;
        }
        if (raised instanceof Error) {
            throw (Error) raised;
        }
        if (raised instanceof RuntimeException) {
            throw (RuntimeException) raised;
        }
        return new ODBCException(raised.getMessage(), reasonOf(raised.getMessage()), raised.getCause());
    }

    static Reason reasonOf(String message) {
        if (Main.isMisuse(message)) {
            return Reason.INVALID_ARGUMENT;
        }
        if (message != null && message.matches("Error trying to (register|remove|configure) ODBC DataSource!")) {
            return Reason.REFUSED;
        }
        if (message != null && message.matches("Could not (allocate|free) ODBC environmental handle!")) {
            return Reason.DRIVER_MANAGER;
        }
        if ("Could not read ODBC configuration!".equals(message)) {
            return Reason.CONFIGURATION_UNREADABLE;
        }
        return Reason.INTERNAL;
    }
}
