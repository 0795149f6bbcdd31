package com.nq.odbc;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.charset.Charset;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.time.Duration;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.concurrent.TimeUnit;

/**
 * Runs connection tests: in the child process {@code ri-reve-probe} (shipped
 * beside the library in the jar), or in this one, and reads the report both
 * write in one form (one field a line; see the probe's sources).
 */
final class ConnectionProbe {
    /** System property naming the probe program to run, instead of the one found beside the library. */
    static final String PROGRAM_PROPERTY = "com.nq.odbc.probe";

    static final Duration DEFAULT_TIMEOUT = Duration.ofSeconds(30);

    private static final boolean WINDOWS = NativeLibrary.platform().startsWith("windows");
    private static final String PROGRAM_NAME = WINDOWS ? "ri-reve-probe.exe" : "ri-reve-probe";
    /** Time past the timeout for a driver that honours its login timeout to say so itself. */
    private static final long GRACE_NANOS = TimeUnit.MILLISECONDS.toNanos(250);

    private static Path extracted;

    private ConnectionProbe() {
    }

    /** The whole seconds of the timeout, rounded up; the default for null. */
    static int seconds(Duration timeout) {
        Duration given = timeout == null ? DEFAULT_TIMEOUT : timeout;
        if (given.isNegative() || given.isZero()) {
            throw new IllegalArgumentException("the timeout must be positive: " + given);
        }
        long millis = Math.min(given.toMillis(), TimeUnit.HOURS.toMillis(24));
        return (int) ((millis + 999) / 1000);
    }

    static ConnectionTest run(String connectionString, Duration timeout, ConnectionTest.Isolation isolation,
            Map<String, String> environment, List<String> secrets) throws ODBCException {
        int seconds = seconds(timeout);
        long started = System.nanoTime();
        if (isolation == ConnectionTest.Isolation.IN_PROCESS) {
            return read(new Record(ODBC.probeHere(connectionString, seconds)), started, new Redaction(secrets));
        }
        Path program = program();
        long deadline = started + TimeUnit.SECONDS.toNanos(seconds) + GRACE_NANOS;
        return runChild(program, request(seconds, connectionString), environment, started, deadline,
                new Redaction(secrets));
    }

    static ConnectionTest notFound(String reason, long started) {
        return new ConnectionTest(ConnectionTest.Status.NOT_FOUND, elapsedSince(started), reason, new String[4],
                new ArrayList<ConnectionTest.Diagnostic>());
    }

    /** A data source whose driver is not installed, told before the driver manager is called. */
    static ConnectionTest driverNotInstalled(String reason, String driver, long started) {
        return new ConnectionTest(ConnectionTest.Status.DRIVER_NOT_INSTALLED, elapsedSince(started), reason,
                new String[] {driver, null, null, null}, new ArrayList<ConnectionTest.Diagnostic>());
    }

    private static byte[] request(int seconds, String connectionString) {
        // The probe hands the bytes to the narrow ODBC functions: UTF-8 on
        // Linux, the ANSI code page on Windows.
        Charset charset = WINDOWS ? Charset.forName(System.getProperty("sun.jnu.encoding", "windows-1252"))
                : StandardCharsets.UTF_8;
        return (seconds + "\n" + connectionString).getBytes(charset);
    }

    private static ConnectionTest runChild(Path program, byte[] request, Map<String, String> environment,
            long started, long deadline, Redaction redaction) throws ODBCException {
        ProcessBuilder builder = new ProcessBuilder(program.toString());
        builder.environment().putAll(environment);
        builder.redirectError(new File(WINDOWS ? "NUL" : "/dev/null"));
        Process process;
        try {
            process = builder.start();
        } catch (IOException e) {
            throw Messages.START_CONNECTION_TEST.failure("cannot run " + program + ": " + e.getMessage());
        }
        Output output = new Output(process.getInputStream());
        output.start();
        try (OutputStream in = process.getOutputStream()) {
            in.write(request);
        } catch (IOException e) {
            // The probe ended before it read the request: its exit says why.
        }
        try {
            long left = deadline - System.nanoTime();
            if (!process.waitFor(Math.max(left, 0), TimeUnit.NANOSECONDS)) {
                process.destroyForcibly();
                process.waitFor();
                return ended(ConnectionTest.Status.TIMED_OUT, "no answer within the timeout of "
                        + TimeUnit.NANOSECONDS.toSeconds(deadline - started - GRACE_NANOS)
                        + " s: the test was given up and its process ended", started);
            }
            output.join(TimeUnit.SECONDS.toMillis(5));
        } catch (InterruptedException e) {
            process.destroyForcibly();
            Thread.currentThread().interrupt();
            ODBCException failure = Messages.FINISH_CONNECTION_TEST.failure("interrupted while the test ran");
            failure.addSuppressed(e);
            throw failure;
        }
        String report = new String(output.bytes(), WINDOWS ? Charset.forName(System.getProperty("sun.jnu.encoding",
                "windows-1252")) : StandardCharsets.UTF_8);
        if (!report.endsWith("end\n")) {
            return ended(ConnectionTest.Status.CRASHED, crashReason(process.exitValue()), started);
        }
        return read(report, started, redaction);
    }

    private static ConnectionTest ended(ConnectionTest.Status status, String reason, long started) {
        return new ConnectionTest(status, elapsedSince(started), reason, new String[4],
                new ArrayList<ConnectionTest.Diagnostic>());
    }

    static String crashReason(int exit) {
        String how;
        if (!WINDOWS && exit > 128 && exit < 128 + 65) {
            how = "signal " + (exit - 128) + signalName(exit - 128);
        } else if (WINDOWS && (exit & 0xC0000000) == 0xC0000000) {
            how = String.format("exception 0x%08X", exit);
        } else {
            how = "exit status " + exit;
        }
        return "the test's process ended with " + how + " before it reported, in the driver or driver manager";
    }

    private static String signalName(int signal) {
        String[] names = {"", "HUP", "INT", "QUIT", "ILL", "TRAP", "ABRT", "BUS", "FPE", "KILL", "USR1", "SEGV",
            "USR2", "PIPE", "ALRM", "TERM"};
        return signal < names.length ? " (SIG" + names[signal] + ")" : "";
    }

    /** The report of a finished test; a driver manager that could not be used is an exception. */
    static ConnectionTest read(String report, long started, Redaction redaction) throws ODBCException {
        boolean connected = false;
        String[] facts = new String[4];
        List<ConnectionTest.Diagnostic> diagnostics = new ArrayList<ConnectionTest.Diagnostic>();
        String[] names = {"driver-name", "driver-version", "dbms-name", "dbms-version"};
        for (String line : report.split("\n")) {
            int space = line.indexOf(' ');
            String name = space < 0 ? line : line.substring(0, space);
            String value = space < 0 ? "" : line.substring(space + 1);
            if (name.equals("connected")) {
                connected = value.equals("yes");
            } else if (name.equals("failure")) {
                throw Messages.ALLOCATE_ENVIRONMENT.failure(redaction.apply(unescape(value)));
            } else if (name.equals("diagnostic")) {
                String[] parts = value.split(" ", 3);
                diagnostics.add(new ConnectionTest.Diagnostic(parts[0], parts.length > 1 ? parseInt(parts[1]) : 0,
                        parts.length > 2 ? redaction.apply(unescape(parts[2])) : ""));
            } else {
                for (int i = 0; i < names.length; i++) {
                    if (name.equals(names[i]) && connected) {
                        facts[i] = redaction.apply(unescape(value));
                    }
                }
            }
        }
        return made(connected, facts, diagnostics, started);
    }

    /**
     * The in-process test's record: whether it connected, the driver's and
     * DBMS's names and versions, and each diagnostic record.
     */
    static ConnectionTest read(Record report, long started, Redaction redaction) {
        boolean connected = report.flag();
        String[] facts = new String[4];
        for (int i = 0; i < facts.length; i++) {
            String fact = redaction.apply(report.text());
            facts[i] = connected ? fact : null;
        }
        int count = report.number();
        List<ConnectionTest.Diagnostic> diagnostics = new ArrayList<ConnectionTest.Diagnostic>(count);
        for (int i = 0; i < count; i++) {
            diagnostics.add(new ConnectionTest.Diagnostic(report.text(), report.number(),
                    redaction.apply(report.text())));
        }
        return made(connected, facts, diagnostics, started);
    }

    private static ConnectionTest made(boolean connected, String[] facts, List<ConnectionTest.Diagnostic> diagnostics,
            long started) {
        ConnectionTest.Status status = connected ? ConnectionTest.Status.CONNECTED : ConnectionTest.Status.FAILED;
        return new ConnectionTest(status, elapsedSince(started), reason(connected, facts, diagnostics), facts,
                diagnostics);
    }

    private static String reason(boolean connected, String[] facts, List<ConnectionTest.Diagnostic> diagnostics) {
        if (connected) {
            return "connected to " + facts[2] + " " + facts[3] + " through " + facts[0] + " " + facts[1];
        }
        if (diagnostics.isEmpty()) {
            return "the driver manager refused the connection without a diagnostic record";
        }
        ConnectionTest.Diagnostic first = diagnostics.get(0);
        return first.getSqlState() + ": " + first.getMessage();
    }

    private static int parseInt(String text) {
        try {
            return (int) Long.parseLong(text);
        } catch (NumberFormatException e) {
            return 0;
        }
    }

    static String unescape(String value) {
        if (value.indexOf('%') < 0) {
            return value;
        }
        StringBuilder text = new StringBuilder();
        for (int i = 0; i < value.length(); i++) {
            char c = value.charAt(i);
            if (c == '%' && i + 2 < value.length()) {
                text.append((char) Integer.parseInt(value.substring(i + 1, i + 3), 16));
                i += 2;
            } else {
                text.append(c);
            }
        }
        return text.toString();
    }

    private static Duration elapsedSince(long started) {
        return Duration.ofNanos(System.nanoTime() - started);
    }

    /** Takes every secret out of the texts a result carries. */
    static final class Redaction {
        private final List<String> secrets = new ArrayList<String>();

        Redaction(List<String> secrets) {
            for (String secret : secrets) {
                // A secret of one or two characters would take letters out of every word.
                if (secret != null && secret.length() >= 3) {
                    this.secrets.add(secret);
                }
            }
        }

        String apply(String text) {
            for (String secret : secrets) {
                text = text.replace(secret, "****");
            }
            return text;
        }
    }

    /** The values of the password keys of a connection string, for redaction. */
    static List<String> passwordsIn(String connectionString) {
        List<String> found = new ArrayList<String>();
        int at = 0;
        while (at < connectionString.length()) {
            int equals = connectionString.indexOf('=', at);
            if (equals < 0) {
                break;
            }
            String key = connectionString.substring(at, equals).trim().toUpperCase(Locale.ROOT);
            int end;
            String value;
            if (equals + 1 < connectionString.length() && connectionString.charAt(equals + 1) == '{') {
                end = connectionString.indexOf('}', equals + 2);
                end = end < 0 ? connectionString.length() : end;
                value = connectionString.substring(equals + 2, end);
                end = connectionString.indexOf(';', end);
            } else {
                end = connectionString.indexOf(';', equals);
                value = connectionString.substring(equals + 1, end < 0 ? connectionString.length() : end);
            }
            if (key.equals("PWD") || key.equals("PASSWORD")) {
                found.add(value);
            }
            at = end < 0 ? connectionString.length() : end + 1;
        }
        return found;
    }

    /** A connection string's value, braced where its text would otherwise end it or be trimmed. */
    static String value(String text) {
        boolean plain = !text.isEmpty() && text.trim().equals(text) && text.indexOf(';') < 0
                && text.indexOf('{') < 0 && text.indexOf('}') < 0;
        return plain ? text : "{" + text.replace("}", "}}") + "}";
    }

    /**
     * The probe program: the one {@value #PROGRAM_PROPERTY} names, else the
     * one beside the library when it was loaded from a file, else the jar's,
     * extracted once into a private folder that goes when the VM exits.
     */
    static synchronized Path program() throws ODBCException {
        String given = System.getProperty(PROGRAM_PROPERTY);
        if (given != null) {
            return Paths.get(given);
        }
        Path library = NativeLibrary.loadedFrom();
        if (library != null && Files.isRegularFile(library.resolveSibling(PROGRAM_NAME))) {
            return library.resolveSibling(PROGRAM_NAME);
        }
        if (extracted != null && Files.isRegularFile(extracted)) {
            return extracted;
        }
        String resource = "/com/nq/odbc/native/" + NativeLibrary.platform() + "/" + PROGRAM_NAME;
        try (InputStream in = ConnectionProbe.class.getResourceAsStream(resource)) {
            if (in == null) {
                throw new IOException("the jar has no " + resource + " and no " + PROGRAM_NAME
                        + " is beside the library; set -D" + PROGRAM_PROPERTY + "=<its path>");
            }
            extracted = NativeLibrary.extractProgram(PROGRAM_NAME, in);
            return extracted;
        } catch (IOException e) {
            throw Messages.START_CONNECTION_TEST.failure("cannot provide the probe program: " + e.getMessage());
        }
    }

    /**
     * The program for the native library's requests that run a driver's setup
     * library in a child process: its path, or null and why it cannot be had.
     */
    static String[] programForSetup() {
        try {
            return new String[] {program().toString()};
        } catch (ODBCException e) {
            return new String[] {null, e.getCause() != null ? e.getCause().getMessage() : e.getMessage()};
        }
    }

    /** Reads a stream to its end on a thread of its own, so that a full pipe never blocks the child. */
    private static final class Output extends Thread {
        private final InputStream in;
        private final ByteArrayOutputStream bytes = new ByteArrayOutputStream();

        Output(InputStream in) {
            super("ri-reve probe output");
            this.in = in;
            setDaemon(true);
        }

        @Override
        public void run() {
            byte[] buffer = new byte[8192];
            try (InputStream stream = in) {
                for (int n; (n = stream.read(buffer)) > 0;) {
                    synchronized (bytes) {
                        bytes.write(buffer, 0, n);
                    }
                }
            } catch (IOException e) {
                // The process was ended: what was read stands.
            }
        }

        byte[] bytes() {
            synchronized (bytes) {
                return bytes.toByteArray();
            }
        }
    }
}
