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
        Throwable cause = raised.getCause();
        Reason reason = cause instanceof Cause ? ((Cause) cause).reason : KNOWN.get(raised.getMessage());
        return new ODBCException(raised.getMessage(), reason == null ? Reason.INTERNAL : reason, cause);
    }

    /**
     * What the native library raises for the natives beside the original
     * four: {@link #from(Throwable)}, made by the library itself.
     */
    static ODBCException of(Throwable raised) {
        return from(raised);
    }

    /** The library's fixed messages, for a {@link Throwable} made with one but without the library's cause. */
    private static final java.util.Map<String, Reason> KNOWN = new java.util.HashMap<String, Reason>();

    static {
        for (String message : new String[] {"DataSource name is null!", "Driver name is null!",
            "DataSource name is invalid!", "DataSource attribute text is too long!",
            "DataSource attribute text is invalid!"}) {
            KNOWN.put(message, Reason.INVALID_ARGUMENT);
        }
        for (String verb : new String[] {"register", "remove", "configure"}) {
            KNOWN.put("Error trying to " + verb + " ODBC DataSource!", Reason.REFUSED);
        }
        KNOWN.put("Could not allocate ODBC environmental handle!", Reason.DRIVER_MANAGER);
        KNOWN.put("Could not free ODBC environmental handle!", Reason.DRIVER_MANAGER);
        KNOWN.put("Could not read ODBC configuration!", Reason.CONFIGURATION_UNREADABLE);
    }

    /**
     * The cause the native library gives each failure it raises: why, in one
     * line, as its message, and what kind of failure it is.
     */
    static final class Cause extends Throwable {
        private static final long serialVersionUID = 1L;

        /** What kind of failure it is. */
        final Reason reason;

        /**
         * Made by the native library.
         *
         * @param why the reason, in one line
         * @param reason the ordinal of the failure's {@link Reason}
         */
        Cause(String why, int reason) {
            super(why);
            this.reason = reason >= 0 && reason < Reason.values().length ? Reason.values()[reason] : Reason.INTERNAL;
        }
    }
}
