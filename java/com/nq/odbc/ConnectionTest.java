package com.nq.odbc;

import java.time.Duration;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;

/**
 * What one connection test found: whether the driver manager connected,
 * in how long, who answered, and every diagnostic record of the attempt in
 * order. Immutable. A test that does not connect is a result like this one,
 * never an exception; see {@link ODBC#testDataSource}.
 */
public final class ConnectionTest {
    /** How a test ended. */
    public enum Status {
        /** Connected, and disconnected again. */
        CONNECTED,
        /** The driver manager or the driver refused the connection: see the diagnostics. */
        FAILED,
        /** No answer within the timeout: the test was given up and its process ended. */
        TIMED_OUT,
        /** The test's process ended abnormally (a signal, an exception) in the driver or driver manager. */
        CRASHED,
        /** No data source of that name in the scope asked for, or in any scope when none was. */
        NOT_FOUND,
        /**
         * The data source names a driver that is not installed (the driver
         * manager's IM002), told from the configuration before the driver
         * manager is called; {@link ConnectionTest#getDriverName()} names it.
         */
        DRIVER_NOT_INSTALLED
    }

    /** Where a test runs. */
    public enum Isolation {
        /**
         * In a child process of its own (the default): a driver that crashes
         * or hangs ends only that process.
         */
        CHILD_PROCESS,
        /** In this process: faster, but a driver that crashes takes this VM with it. */
        IN_PROCESS
    }

    /** One diagnostic record, as {@code SQLGetDiagRec} gives it. Immutable. */
    public static final class Diagnostic {
        private final String sqlState;
        private final int nativeError;
        private final String message;

        Diagnostic(String sqlState, int nativeError, String message) {
            this.sqlState = sqlState;
            this.nativeError = nativeError;
            this.message = message;
        }

        /**
         * The SQLSTATE, such as {@code 08001} or {@code IM002}.
         *
         * @return five characters
         */
        public String getSqlState() {
            return sqlState;
        }

        /**
         * The driver's or server's own error number.
         *
         * @return the native error, 0 when none was given
         */
        public int getNativeError() {
            return nativeError;
        }

        /**
         * The message, as the driver manager or driver gave it.
         *
         * @return the message text
         */
        public String getMessage() {
            return message;
        }

        @Override
        public String toString() {
            return sqlState + " (" + nativeError + ") " + message;
        }
    }

    private final Status status;
    private final Duration elapsed;
    private final String reason;
    private final String[] facts;
    private final List<Diagnostic> diagnostics;

    ConnectionTest(Status status, Duration elapsed, String reason, String[] facts, List<Diagnostic> diagnostics) {
        this.status = status;
        this.elapsed = elapsed;
        this.reason = reason;
        this.facts = facts.clone();
        this.diagnostics = Collections.unmodifiableList(new ArrayList<Diagnostic>(diagnostics));
    }

    /**
     * How the test ended.
     *
     * @return the status
     */
    public Status getStatus() {
        return status;
    }

    /**
     * Whether the test connected.
     *
     * @return true for {@link Status#CONNECTED}
     */
    public boolean isConnected() {
        return status == Status.CONNECTED;
    }

    /**
     * The time the whole test took, the child process's start included.
     *
     * @return the elapsed time
     */
    public Duration getElapsed() {
        return elapsed;
    }

    /**
     * Why the test ended as it did, in one line: the first diagnostic record
     * of a refusal, the signal of a crash, the timeout given up at.
     *
     * @return the reason
     */
    public String getReason() {
        return reason;
    }

    /**
     * The driver's name ({@code SQL_DRIVER_NAME}), such as {@code psqlodbcw.so}.
     *
     * @return the name, or null when the test did not connect
     */
    public String getDriverName() {
        return facts[0];
    }

    /**
     * The driver's version ({@code SQL_DRIVER_VER}).
     *
     * @return the version, or null when the test did not connect
     */
    public String getDriverVersion() {
        return facts[1];
    }

    /**
     * The DBMS's name as the server reports it ({@code SQL_DBMS_NAME}).
     *
     * @return the name, or null when the test did not connect
     */
    public String getDbmsName() {
        return facts[2];
    }

    /**
     * The DBMS's version as the server reports it ({@code SQL_DBMS_VER}).
     *
     * @return the version, or null when the test did not connect
     */
    public String getDbmsVersion() {
        return facts[3];
    }

    /**
     * Every diagnostic record of the attempt, in order, warnings of a
     * successful connection included.
     *
     * @return the records, unmodifiable
     */
    public List<Diagnostic> getDiagnostics() {
        return diagnostics;
    }

    @Override
    public String toString() {
        return status + " in " + elapsed.toMillis() + " ms: " + reason;
    }
}
