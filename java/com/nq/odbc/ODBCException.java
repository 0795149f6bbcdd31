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
 * each names the method to call instead, which raises this type (as every
 * other method of {@link ODBC} does), and {@link #from(Throwable)} turns
 * what they raise into this type:
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
        Throwable cause = raised.getCause();
        Reason reason = cause instanceof Cause ? ((Cause) cause).reason : Messages.reasonOf(raised.getMessage());
        return new ODBCException(raised.getMessage(), reason,
                cause != null ? cause : new Cause("raised as " + raised.getClass().getName(), reason));
    }

    /**
     * The cause the native library gives each failure it raises: why, in one
     * line (the step that failed, its path and the system's error text), as
     * its message, and what kind of failure it is.
     */
    static final class Cause extends Throwable {
        private static final long serialVersionUID = 1L;

        /** What kind of failure it is. */
        final Reason reason;

        /**
         * Made by the native library, and by the Java side for what it finds itself.
         *
         * @param why the reason, in one line
         * @param reason what kind of failure it is
         */
        Cause(String why, Reason reason) {
            super(why);
            this.reason = reason == null ? Reason.INTERNAL : reason;
        }
    }
}
