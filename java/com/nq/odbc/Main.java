package com.nq.odbc;

import java.io.FileDescriptor;
import java.io.FileOutputStream;
import java.io.PrintStream;
import java.io.UnsupportedEncodingException;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.LinkedHashMap;
import java.util.LinkedHashSet;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.Set;
import java.util.TreeMap;

/**
 * The command line: {@code java -jar ri-reve.jar COMMAND [OPTIONS]}. Prints
 * aligned tables for people and, with {@code --json}, JSON for programs
 * (errors too, on standard error). Exit status: 0 on success, 1 when the ODBC
 * configuration refused the request or standard output could not be written,
 * 2 for a usage error (an invalid name or attribute text among them).
 */
final class Main {
    static final int OK = 0;
    static final int REFUSED = 1;
    static final int USAGE = 2;

    /** One command, declared once: its words, the options it takes and one line of help; {@link #perform} runs it. */
    static final class Command {
        final String name;
        final String arguments;
        final int fewest;
        final int most;
        final List<String> options;
        final String help;

        Command(String name, String arguments, int fewest, int most, String options, String help) {
            this.name = name;
            this.arguments = arguments;
            this.fewest = fewest;
            this.most = most;
            this.options = options.isEmpty() ? Collections.<String>emptyList() : Arrays.asList(options.split(" "));
            this.help = help;
        }

        /** The command as it is typed, with its arguments and options. */
        String usage() {
            StringBuilder usage = new StringBuilder(name);
            usage.append(arguments.isEmpty() ? "" : " " + arguments);
            for (String option : options) {
                usage.append(" [").append(option).append(OPTIONS.get(option)[0]).append(']');
            }
            return usage.toString();
        }
    }

    /** Each option: its argument (or nothing) and one line of help. */
    static final Map<String, String[]> OPTIONS = new LinkedHashMap<String, String[]>();

    static {
        OPTIONS.put("--json", new String[] {"", "print JSON instead of a table"});
        OPTIONS.put("--user", new String[] {"", "the user's data sources (the default of set, add and remove), or drivers"});
        OPTIONS.put("--system", new String[] {"", "the system's data sources, which only root may change on Linux"});
        OPTIONS.put("--unset", new String[] {" KEY", "take the entry KEY out"});
        OPTIONS.put("--verbose", new String[] {"", "print every attribute"});
        OPTIONS.put("--connection-string", new String[] {" TEXT", "test this connection string instead of a data source"});
        OPTIONS.put("--user-name", new String[] {" USER", "connect as USER"});
        OPTIONS.put("--password-stdin", new String[] {"", "read the password from the first line of standard input"});
        OPTIONS.put("--timeout", new String[] {" SECONDS", "give the test up after SECONDS (default 30)"});
        OPTIONS.put("--replace", new String[] {"", "replace a driver installed with another library"});
        OPTIONS.put("--with-data-sources", new String[] {"", "remove the data sources that use the driver too"});
        OPTIONS.put("--file", new String[] {" PATH", "the trace file"});
        OPTIONS.put("--version", new String[] {"", "print the library's version"});
        OPTIONS.put("--help", new String[] {"", "print this text, or with a command its usage"});
    }

    private static final int ANY = Integer.MAX_VALUE;

    static final List<Command> COMMANDS = Arrays.asList(
        new Command("drivers", "", 0, 0, "--verbose", "installed drivers, their libraries and usage counts (with --verbose, their attributes)"),
        new Command("drivers install", "NAME KEY=VALUE ...", 2, ANY, "--user --replace",
            "install a driver (Driver=LIBRARY among its entries), or count one more use of it"),
        new Command("drivers remove", "NAME", 1, 1, "--user --with-data-sources",
            "count one use of a driver less; at the last, remove it"),
        new Command("drivers set", "NAME KEY=VALUE ...", 1, ANY, "--user --unset", "change a driver's entries in place"),
        new Command("drivers show", "NAME", 1, 1, "", "a driver's entries"),
        new Command("dsns", "", 0, 0, "--user --system", "configured data sources, their scopes and drivers"),
        new Command("show", "NAME", 1, 1, "--user --system", "a data source's entries, as odbcinst -q -s -n shows them"),
        new Command("set", "NAME KEY=VALUE ...", 1, ANY, "--user --system --unset",
            "change a data source's entries in place"),
        new Command("add", "NAME DRIVER [KEY=VALUE ...]", 2, ANY, "--user --system",
            "register a user (or system) data source"),
        new Command("remove", "NAME DRIVER", 2, 2, "--user --system", "remove a user (or system) data source"),
        new Command("test", "[NAME]", 0, 1, "--user --system --user-name --password-stdin --timeout --connection-string",
            "connect to a data source (or with a connection string) and say why it fails; exit 1 when it does"),
        new Command("doctor", "", 0, 0, "", "check every driver's library and every data source's driver; exit 1 on an error"),
        new Command("settings", "", 0, 0, "", "the driver manager's own settings ([ODBC] of odbcinst.ini)"),
        new Command("settings set", "KEY=VALUE ...", 0, ANY, "--unset", "change the driver manager's settings"),
        new Command("trace", "on|off", 1, 1, "--file", "turn the driver manager's tracing on (into --file PATH) or off"),
        new Command("filedsns", "[FOLDER]", 0, 1, "", "the file data sources of a folder (the default one)"),
        new Command("filedsn show", "PATH", 1, 1, "", "a file data source's entries"),
        new Command("filedsn add", "PATH DRIVER [KEY=VALUE ...]", 2, ANY, "", "write a file data source"),
        new Command("filedsn remove", "PATH", 1, 1, "", "remove a file data source"),
        new Command("help", "[COMMAND]", 0, 1, "", "this text, or a command's usage"));

    /** What each command does with its words (its name first), once its options are set. */
    private int perform(Command command, List<String> words) throws Throwable {
        switch (command.name) {
            case "drivers":
                return printDrivers(ODBC.getDrivers(), userDrivers());
            case "dsns":
                return printDataSources((scope == null ? ODBC.dataSources() : ODBC.dataSources(scope)).toArray(new DataSource[0]));
            case "show":
                return show(words.get(1));
            case "set":
                return set(words);
            case "add":
                return add(words);
            case "remove":
                return remove(words.get(1), words.get(2));
            case "test":
                return test(words);
            case "drivers install":
                return installDriver(words);
            case "drivers remove":
                return printUsage(words.get(1), ODBC.removeDriver(words.get(1), driverScope(),
                        flags.contains("--with-data-sources")));
            case "drivers set":
                return setDriver(words);
            case "drivers show":
                return showDriver(words.get(1));
            case "settings":
                return printSettings(ODBC.driverManagerSettings());
            case "settings set":
                if (words.size() + unset.size() < 2) {
                    return usage("wrong arguments for settings set");
                }
                return printSettings(ODBC.configureDriverManager(pairsOf(words.subList(1, words.size())), unset));
            case "trace":
                return trace(words.get(1));
            case "filedsns":
                return printFileDataSources(ODBC.fileDataSources(words.size() > 1 ? java.nio.file.Paths.get(words.get(1)) : null));
            case "filedsn show":
                return printFileDataSource(ODBC.readFileDataSource(words.get(1)));
            case "filedsn add":
                return addFileDataSource(words);
            case "filedsn remove":
                ODBC.removeFileDataSource(words.get(1));
                out.println(json ? "{\"removed\": " + quote(words.get(1)) + "}" : "Removed " + words.get(1));
                return OK;
            case "doctor":
                return doctor();
            default:
                return help(words.size() > 1 ? words.get(1) : null);
        }
    }

    static final String NO_DATA_SOURCES = "No data sources are configured. Add one with:\n"
            + "  java -jar ri-reve.jar add NAME DRIVER [KEY=VALUE ...]\n"
            + "for instance: java -jar ri-reve.jar add demo SQLite3 Database=/tmp/demo.db\n";

    private final PrintStream out;
    private final PrintStream err;
    private boolean json;
    private boolean verbose;
    private boolean passwordOnStdin;
    private Set<String> flags = Collections.<String>emptySet();
    private DataSource.Scope scope;
    private final List<String> unset = new ArrayList<String>();
    private final Map<String, String> values = new LinkedHashMap<String, String>();
    private final java.io.InputStream in;

    Main(PrintStream out, PrintStream err) {
        this(out, err, System.in);
    }

    Main(PrintStream out, PrintStream err, java.io.InputStream in) {
        this.out = out;
        this.err = err;
        this.in = in;
    }

    /**
     * Runs the command line and exits with its status.
     *
     * @param args the command and its arguments
     */
    public static void main(String[] args) {
        PrintStream out = utf8(FileDescriptor.out);
        PrintStream err = utf8(FileDescriptor.err);
        int status = new Main(out, err).run(args);
        out.flush();
        if (out.checkError()) {
            err.println("Could not write to standard output");
            status = status == OK ? REFUSED : status;
        }
        err.flush();
        System.exit(status);
    }

    /** The text of --help: every command and option. Made when asked, which keeps start-up short. */
    static String usageText() {
        StringBuilder text = new StringBuilder("Usage: java -jar ri-reve.jar [OPTIONS] COMMAND [--] [ARGUMENTS]\n"
                + "Shows and changes this machine's ODBC configuration.\n\nCommands:\n");
        for (Command command : COMMANDS) {
            text.append("  ").append(command.usage()).append("\n      ").append(command.help).append('\n');
        }
        text.append("\nOptions:\n");
        for (Map.Entry<String, String[]> option : OPTIONS.entrySet()) {
            text.append(optionLine(option.getKey()));
        }
        return text.append("  --           end of the options: what follows is a name, even if it starts with -\n")
                .toString();
    }

    private static String optionLine(String option) {
        return String.format("  %-12s %s%n", option + OPTIONS.get(option)[0], OPTIONS.get(option)[1]);
    }

    static Command command(String name) {
        for (Command command : COMMANDS) {
            if (command.name.equals(name)) {
                return command;
            }
        }
        return null;
    }

    int run(String[] args) {
        List<String> all = Arrays.asList(args);
        int optionsEnd = all.indexOf("--") < 0 ? args.length : all.indexOf("--");
        // Known before anything can go wrong, so that every error comes as JSON.
        json = all.subList(0, optionsEnd).contains("--json");
        List<String> words = new ArrayList<String>();
        Set<String> given = new LinkedHashSet<String>();
        for (int i = 0; i < optionsEnd; i++) {
            String arg = args[i].equals("-h") ? "--help" : args[i].equals("-v") ? "--verbose" : args[i];
            if (!arg.startsWith("-") || arg.length() == 1) {
                words.add(arg);
                continue;
            }
            if (!OPTIONS.containsKey(arg)) {
                return usage("unknown option " + arg);
            }
            given.add(arg);
            if (!OPTIONS.get(arg)[0].isEmpty()) {
                if (++i >= optionsEnd) {
                    return usage(arg + " needs a value:" + OPTIONS.get(arg)[0]);
                }
                if (arg.equals("--unset")) {
                    unset.add(args[i]);
                } else {
                    values.put(arg, args[i]);
                }
            }
        }
        words.addAll(all.subList(Math.min(optionsEnd + 1, args.length), args.length));
        if (given.contains("--user") && given.contains("--system")) {
            return usage("--user and --system exclude each other");
        }
        scope = given.contains("--user") ? DataSource.Scope.USER
                : given.contains("--system") ? DataSource.Scope.SYSTEM : null;
        verbose = given.contains("--verbose");
        passwordOnStdin = given.contains("--password-stdin");
        if (words.isEmpty()) {
            return given.contains("--help") ? help(null)
                    : given.contains("--version") ? version() : usage("no command given");
        }
        flags = given;
        // A command of two words: "drivers install NAME" is "drivers install" with NAME.
        if (words.size() > 1 && command(words.get(0) + " " + words.get(1)) != null) {
            words.set(0, words.get(0) + " " + words.remove(1));
        }
        Command command = command(words.get(0));
        if (command == null) {
            return usage("unknown command " + words.get(0));
        }
        if (given.contains("--help")) {
            return help(command.name);
        }
        for (String option : given) {
            if (!option.equals("--json") && !command.options.contains(option)) {
                return usage(command.name + " takes no option " + option);
            }
        }
        int count = words.size() - 1;
        if (count < command.fewest || count > command.most) {
            return usage("wrong arguments for " + command.name);
        }
        return runCommand(command, words);
    }

    private int runCommand(Command command, List<String> words) {
        List<String> checked = new ArrayList<String>(words);
        checked.addAll(unset);
        for (String word : checked) {
            // What the JVM could not decode under a locale that is not UTF-8.
            if (word.indexOf('\uFFFD') >= 0) {
                return usage("the argument " + word + " holds characters that the locale's character set ("
                        + System.getProperty("sun.jnu.encoding") + ", LANG=" + System.getenv("LANG")
                        + ") cannot carry, so they were lost; nothing was changed: run with a UTF-8 locale,"
                        + " such as LANG=C.UTF-8");
            }
        }
        try {
            return perform(command, words);
        } catch (IllegalArgumentException e) {
            return usage(e.getMessage());
        } catch (UnsatisfiedLinkError e) {
            // The loader's own message explains every attempt.
            return fail(e.getMessage(), null, REFUSED);
        } catch (RuntimeException | Error e) {
            // Never a stack trace: what failed, in one line.
            return fail(e.toString(), null, REFUSED);
        } catch (Throwable t) {
            // The four original natives raise their failures as a plain Throwable.
            ODBCException e = ODBCException.from(t);
            String reason = e.getCause() == null ? null : e.getCause().getMessage();
            return fail(e.getMessage(), reason, e.getReason() == ODBCException.Reason.INVALID_ARGUMENT ? USAGE : REFUSED);
        }
    }

    private int help(String name) {
        if (name == null) {
            out.print(usageText());
            return OK;
        }
        Command command = command(name);
        if (command == null) {
            return usage("unknown command " + name);
        }
        out.println("Usage: java -jar ri-reve.jar [--json] " + command.usage());
        out.println(command.help);
        for (String option : command.options) {
            out.print(optionLine(option));
        }
        return OK;
    }

    private int version() {
        out.println(json ? "{\"version\": " + quote(Version.number()) + "}" : "ri-reve " + Version.number());
        return OK;
    }

    private int remove(String name, String driver) throws ODBCException {
        ODBC.unregisterDataSource(name, driver, scopeOrUser());
        out.println(json ? "{\"removed\": " + quote(name) + "}" : "Removed " + name);
        return OK;
    }

    private int test(List<String> words) throws ODBCException, java.io.IOException {
        String connectionString = values.get("--connection-string");
        if ((words.size() == 2) == (connectionString != null)) {
            return usage("test takes a data source's NAME or --connection-string, one of them");
        }
        if (connectionString != null && (scope != null || values.containsKey("--user-name") || passwordOnStdin)) {
            return usage("--connection-string carries its own user and password; it takes no scope");
        }
        java.time.Duration timeout = null;
        if (values.containsKey("--timeout")) {
            try {
                timeout = java.time.Duration.ofMillis((long) (Double.parseDouble(values.get("--timeout")) * 1000));
            } catch (NumberFormatException e) {
                return usage("--timeout takes seconds: " + values.get("--timeout"));
            }
        }
        ConnectionTest result;
        if (connectionString != null) {
            result = ODBC.testConnection(connectionString, timeout);
        } else {
            char[] password = passwordOnStdin ? readPassword() : null;
            Credentials credentials = values.containsKey("--user-name") || password != null
                    ? Credentials.of(values.get("--user-name"), password) : null;
            result = ODBC.testDataSource(words.get(1), scope, credentials, timeout);
        }
        if (json) {
            out.println(testJson(words.size() == 2 ? words.get(1) : null, result));
        } else {
            out.println(result.getStatus() + " in " + result.getElapsed().toMillis() + " ms: " + result.getReason());
            for (ConnectionTest.Diagnostic diagnostic : result.getDiagnostics()) {
                out.println("  " + diagnostic);
            }
        }
        return result.isConnected() ? OK : REFUSED;
    }

    /** The first line of standard input, its line ending dropped. */
    private char[] readPassword() throws java.io.IOException {
        java.io.ByteArrayOutputStream line = new java.io.ByteArrayOutputStream();
        for (int b; (b = in.read()) >= 0 && b != '\n';) {
            line.write(b);
        }
        String text = new String(line.toByteArray(), java.nio.charset.StandardCharsets.UTF_8);
        return (text.endsWith("\r") ? text.substring(0, text.length() - 1) : text).toCharArray();
    }

    static String testJson(String name, ConnectionTest result) {
        List<String> diagnostics = new ArrayList<String>();
        for (ConnectionTest.Diagnostic diagnostic : result.getDiagnostics()) {
            diagnostics.add("{\"sqlState\": " + quote(diagnostic.getSqlState()) + ", \"nativeError\": "
                    + diagnostic.getNativeError() + ", \"message\": " + quote(diagnostic.getMessage()) + "}");
        }
        return "{\"name\": " + orNull(name) + ", \"status\": " + quote(result.getStatus().name().toLowerCase(Locale.ROOT))
                + ", \"connected\": " + result.isConnected() + ", \"elapsedMillis\": " + result.getElapsed().toMillis()
                + ", \"reason\": " + quote(result.getReason()) + ", \"driverName\": " + orNull(result.getDriverName())
                + ", \"driverVersion\": " + orNull(result.getDriverVersion()) + ", \"dbmsName\": "
                + orNull(result.getDbmsName()) + ", \"dbmsVersion\": " + orNull(result.getDbmsVersion())
                + ", \"diagnostics\": [" + String.join(", ", diagnostics) + "]}";
    }

    private int doctor() throws ODBCException {
        Diagnosis diagnosis = ODBC.diagnose();
        if (json) {
            List<String> items = new ArrayList<String>();
            int errors = 0;
            for (Diagnosis.Finding finding : diagnosis.getFindings()) {
                errors += finding.getSeverity() == Diagnosis.Severity.ERROR ? 1 : 0;
                items.add("{\"severity\": " + quote(finding.getSeverity().name().toLowerCase(Locale.ROOT))
                        + ", \"code\": " + quote(finding.getCode()) + ", \"subject\": " + quote(finding.getSubject())
                        + ", \"reason\": " + quote(finding.getReason()) + "}");
            }
            out.println("{\"errors\": " + errors + ", \"findings\": " + arrayJson(items) + "}");
        } else {
            List<String[]> rows = new ArrayList<String[]>();
            rows.add(new String[] {"SEVERITY", "CODE", "SUBJECT", "REASON"});
            for (Diagnosis.Finding finding : diagnosis.getFindings()) {
                rows.add(new String[] {finding.getSeverity().name().toLowerCase(Locale.ROOT), finding.getCode(),
                        finding.getSubject(), finding.getReason()});
            }
            if (rows.size() == 1) {
                out.println("No drivers are installed and no data sources are configured.");
            } else {
                printTable(rows);
            }
        }
        return diagnosis.hasErrors() ? REFUSED : OK;
    }

    /** Drivers are the system's unless --user says otherwise. */
    private DataSource.Scope driverScope() {
        return scope == null ? DataSource.Scope.SYSTEM : scope;
    }

    private int installDriver(List<String> words) throws ODBCException {
        String name = words.get(1);
        DriverUsage usage = ODBC.installDriver(name, pairsOf(words.subList(2, words.size())), driverScope(),
                flags.contains("--replace"));
        return printUsage(name, usage);
    }

    private int printUsage(String name, DriverUsage usage) {
        if (json) {
            out.println("{\"driver\": " + quote(name) + ", \"usageCount\": " + usage.getUsageCount()
                    + ", \"installed\": " + usage.isInstalled() + ", \"removedDataSources\": "
                    + stringsJson(usage.getRemovedDataSources()) + ", \"dataSourcesLeft\": "
                    + stringsJson(usage.getDataSourcesLeft()) + "}");
        } else if (!usage.isInstalled()) {
            out.println("Removed " + name + (usage.getRemovedDataSources().isEmpty() ? ""
                    : " and the data sources " + String.join(", ", usage.getRemovedDataSources())));
        } else if (!usage.getDataSourcesLeft().isEmpty() && usage.getUsageCount() == 0) {
            out.println(name + " stays installed with a usage count of 0: still used by "
                    + String.join(", ", usage.getDataSourcesLeft()));
        } else {
            out.println(name + ": usage count " + usage.getUsageCount());
        }
        return OK;
    }

    private static String stringsJson(List<String> texts) {
        List<String> quoted = new ArrayList<String>();
        for (String text : texts) {
            quoted.add(quote(text));
        }
        return "[" + String.join(", ", quoted) + "]";
    }

    private int setDriver(List<String> words) throws ODBCException {
        if (words.size() + unset.size() < 3) {
            return usage("wrong arguments for drivers set");
        }
        String name = words.get(1);
        ODBCDriver changed = ODBC.configureDriver(name, driverScope(), pairsOf(words.subList(2, words.size())), unset);
        if (changed == null) {
            return madeButNotFound("Changed", name);
        }
        out.println(json ? driverJson(changed) : "Changed " + name);
        return OK;
    }

    private int showDriver(String name) throws ODBCException {
        ODBCDriver driver = ODBC.findDriver(name);
        if (driver == null) {
            return fail("No driver is named " + name, REFUSED);
        }
        if (json) {
            out.println(driverJson(driver));
            return OK;
        }
        out.println("[" + driver.getDescription() + "]");
        for (Map.Entry<String, String> entry : new TreeMap<String, String>(driver.getAttributes()).entrySet()) {
            out.println(entry.getKey() + "=" + entry.getValue());
        }
        return OK;
    }

    static String driverJson(ODBCDriver driver) {
        return "{\"description\": " + quote(driver.getDescription()) + ", \"attributes\": "
                + mapJson(driver.getAttributes()) + "}";
    }

    private int printSettings(DriverManagerSettings settings) {
        if (json) {
            out.println("{\"path\": " + quote(settings.getPath()) + ", \"overriddenBy\": "
                    + orNull(settings.getOverriddenBy()) + ", \"entries\": " + orderedMapJson(settings.getAttributes()) + "}");
            return OK;
        }
        out.println("[ODBC] in " + settings.getPath() + (settings.getOverriddenBy() == null ? ""
                : " (" + settings.getOverriddenBy() + " has an [ODBC] section of its own)"));
        for (Map.Entry<String, String> entry : settings.getAttributes().entrySet()) {
            out.println(entry.getKey() + "=" + entry.getValue());
        }
        return OK;
    }

    private int trace(String state) throws ODBCException {
        if (!state.equals("on") && !state.equals("off")) {
            return usage("trace takes on or off: " + state);
        }
        Map<String, String> set = new LinkedHashMap<String, String>();
        set.put("Trace", state.equals("on") ? "Yes" : "No");
        if (values.containsKey("--file")) {
            if (state.equals("off")) {
                return usage("trace off takes no --file");
            }
            set.put("TraceFile", values.get("--file"));
        }
        return printSettings(ODBC.configureDriverManager(set, null));
    }

    private int printFileDataSources(List<FileDataSource> found) {
        if (json) {
            List<String> items = new ArrayList<String>();
            for (FileDataSource source : found) {
                items.add(fileDataSourceJson(source));
            }
            out.println(arrayJson(items));
            return OK;
        }
        List<String[]> rows = new ArrayList<String[]>();
        rows.add(new String[] {"PATH", "DRIVER"});
        for (FileDataSource source : found) {
            rows.add(new String[] {source.getPath(), orDash(source.getAttribute("DRIVER"))});
        }
        printTable(rows);
        return OK;
    }

    private int printFileDataSource(FileDataSource source) {
        if (json) {
            out.println(fileDataSourceJson(source));
            return OK;
        }
        out.println("[ODBC]");
        for (Map.Entry<String, String> entry : source.getAttributes().entrySet()) {
            out.println(entry.getKey() + "=" + entry.getValue());
        }
        return OK;
    }

    static String fileDataSourceJson(FileDataSource source) {
        return "{\"path\": " + quote(source.getPath()) + ", \"entries\": " + orderedMapJson(source.getAttributes()) + "}";
    }

    private int addFileDataSource(List<String> words) throws ODBCException {
        Map<String, String> entries = new LinkedHashMap<String, String>();
        entries.put("DRIVER", words.get(2));
        entries.putAll(pairsOf(words.subList(3, words.size())));
        FileDataSource written = ODBC.writeFileDataSource(words.get(1), entries);
        out.println(json ? fileDataSourceJson(written) : "Wrote " + written.getPath());
        return OK;
    }

    private static String orNull(String text) {
        return text == null ? "null" : quote(text);
    }

    private int usage(String problem) {
        return fail(problem + " (see --help)", null, USAGE);
    }

    private int fail(String message, int status) {
        return fail(message, null, status);
    }

    private int fail(String message, String reason, int status) {
        if (json) {
            err.println("{\"error\": " + quote(String.valueOf(message))
                    + (reason == null ? "" : ", \"reason\": " + quote(reason)) + ", \"status\": " + status + "}");
        } else {
            err.println(reason == null ? message : message + " Reason: " + reason
                    + (status == USAGE ? " (see --help)" : ""));
        }
        return status;
    }

    private DataSource.Scope scopeOrUser() {
        return scope == null ? DataSource.Scope.USER : scope;
    }

    private static Map<String, String> pairsOf(List<String> pairs) {
        Map<String, String> attributes = new LinkedHashMap<String, String>();
        for (String pair : pairs) {
            int equals = pair.indexOf('=');
            if (equals <= 0) {
                throw new IllegalArgumentException("attributes are KEY=VALUE: " + pair);
            }
            attributes.put(pair.substring(0, equals), pair.substring(equals + 1));
        }
        return attributes;
    }

    private int add(List<String> words) throws ODBCException {
        String name = words.get(1);
        Map<String, String> attributes = pairsOf(words.subList(3, words.size()));
        DataSource added = ODBC.registerDataSource(name, words.get(2), attributes.isEmpty() ? null : attributes,
                scopeOrUser());
        if (added == null) {
            return madeButNotFound("Added", name);
        }
        out.println(json ? dataSourceJson(added) : "Added " + added.getName() + " (" + added.getDriverName() + ")");
        return OK;
    }

    private int set(List<String> words) throws ODBCException {
        if (words.size() + unset.size() < 3) {
            return usage("wrong arguments for set");
        }
        String name = words.get(1);
        DataSource changed = ODBC.configureDataSource(name, scopeOrUser(), pairsOf(words.subList(2, words.size())),
                unset);
        if (changed == null) {
            return madeButNotFound("Changed", name);
        }
        out.println(json ? dataSourceJson(changed) : "Changed " + changed.getName() + " (" + scopeName(changed) + ")");
        return OK;
    }

    /** A change that was made, but that another program's rewrite of the file hid from the read-back. */
    private int madeButNotFound(String done, String name) {
        String note = "the change was made, but reading it back found no data source of that name:"
                + " another program rewrote the configuration meanwhile";
        out.println(json ? "{\"name\": " + quote(name) + ", \"note\": " + quote(note) + "}"
                : done + " " + name + " (note: " + note + ")");
        return OK;
    }

    private int show(String name) throws ODBCException {
        DataSource found = ODBC.findDataSource(name, scope);
        if (found == null) {
            return fail("No " + (scope == null ? "" : scope.name().toLowerCase(Locale.ROOT) + " ")
                    + "data source is named " + name, REFUSED);
        }
        if (json) {
            out.println(dataSourceJson(found));
            return OK;
        }
        out.println("[" + found.getName() + "]");
        for (Map.Entry<String, String> entry : found.getAttributes().entrySet()) {
            out.println(entry.getKey() + "=" + entry.getValue());
        }
        return OK;
    }

    /** The user's drivers; null when the files cannot say (the listing itself may still work). */
    private static List<String> userDrivers() {
        try {
            return ODBC.userDrivers();
        } catch (ODBCException e) {
            return null;
        }
    }

    private static String driverScope(List<String> userDrivers, ODBCDriver driver) {
        return userDrivers == null ? "-" : userDrivers.contains(driver.getDescription()) ? "user" : "system";
    }

    private int printDrivers(ODBCDriver[] drivers, List<String> userDrivers) {
        if (json) {
            List<String> items = new ArrayList<String>();
            for (ODBCDriver driver : drivers) {
                items.add(driver == null ? "null" : driverJson(driver).replaceFirst("}$", ", \"scope\": "
                        + quote(driverScope(userDrivers, driver)) + "}"));
            }
            out.println(arrayJson(items));
            return OK;
        }
        List<String[]> rows = new ArrayList<String[]>();
        rows.add(new String[] {"DRIVER", "LIBRARY", "USAGE", "SCOPE"});
        for (ODBCDriver driver : drivers) {
            if (driver == null) {
                continue;
            }
            rows.add(new String[] {driver.getDescription(), orDash(driver.getAttribute("Driver")),
                orDash(driver.getAttribute("UsageCount")), driverScope(userDrivers, driver)});
            if (verbose) {
                for (Map.Entry<String, String> entry : new TreeMap<String, String>(driver.getAttributes()).entrySet()) {
                    rows.add(new String[] {"  " + entry.getKey(), entry.getValue(), "", ""});
                }
            }
        }
        printTable(rows);
        return OK;
    }

    private int printDataSources(DataSource[] dataSources) {
        if (json) {
            List<String> items = new ArrayList<String>();
            for (DataSource dataSource : dataSources) {
                items.add(dataSource == null ? "null" : dataSourceJson(dataSource));
            }
            out.println(arrayJson(items));
            return OK;
        }
        List<String[]> rows = new ArrayList<String[]>();
        rows.add(new String[] {"NAME", "SCOPE", "DRIVER"});
        for (DataSource dataSource : dataSources) {
            if (dataSource != null) {
                rows.add(new String[] {dataSource.getName(), scopeName(dataSource),
                        dataSource.getDriverName() + (dataSource.getDriver() == null ? " (not installed)" : "")});
            }
        }
        if (rows.size() == 1) {
            out.print(NO_DATA_SOURCES);
            return OK;
        }
        printTable(rows);
        return OK;
    }

    private void printTable(List<String[]> rows) {
        int[] widths = new int[rows.get(0).length];
        for (String[] row : rows) {
            for (int column = 0; column < row.length; column++) {
                widths[column] = Math.max(widths[column], row[column].codePointCount(0, row[column].length()));
            }
        }
        for (String[] row : rows) {
            StringBuilder line = new StringBuilder();
            for (int column = 0; column < row.length; column++) {
                line.append(row[column]);
                for (int pad = row[column].codePointCount(0, row[column].length()); column + 1 < row.length
                        && pad < widths[column] + 2; pad++) {
                    line.append(' ');
                }
            }
            out.println(line.toString().replaceAll("\\s+$", ""));
        }
    }

    private static String scopeName(DataSource dataSource) {
        return dataSource.getScope() == null ? "-" : dataSource.getScope().name().toLowerCase(Locale.ROOT);
    }

    private static String orDash(String text) {
        return text == null ? "-" : text;
    }

    static String dataSourceJson(DataSource dataSource) {
        String driver = dataSource.getDriverName();
        return "{\"name\": " + quote(dataSource.getName()) + ", \"scope\": " + quote(scopeName(dataSource))
                + ", \"driver\": " + quote(driver == null ? "" : driver)
                + ", \"installed\": " + (dataSource.getDriver() != null)
                + ", \"attributes\": " + orderedMapJson(dataSource.getAttributes()) + "}";
    }

    static String mapJson(Map<String, String> map) {
        return orderedMapJson(new TreeMap<String, String>(map));
    }

    static String orderedMapJson(Map<String, String> map) {
        StringBuilder json = new StringBuilder("{");
        for (Map.Entry<String, String> entry : map.entrySet()) {
            json.append(json.length() > 1 ? ", " : "").append(quote(entry.getKey())).append(": ")
                    .append(quote(entry.getValue()));
        }
        return json.append('}').toString();
    }

    static String arrayJson(List<String> items) {
        return items.isEmpty() ? "[]" : "[\n  " + String.join(",\n  ", items) + "\n]";
    }

    static String quote(String text) {
        StringBuilder json = new StringBuilder("\"");
        for (int i = 0; i < text.length(); i++) {
            char c = text.charAt(i);
            if (c == '"' || c == '\\') {
                json.append('\\').append(c);
            } else if (c < 0x20 || c == 0x7F || Character.isSurrogate(c) && !validSurrogateAt(text, i)) {
                json.append(String.format("\\u%04x", (int) c));
            } else {
                json.append(c);
            }
        }
        return json.append('"').toString();
    }

    private static boolean validSurrogateAt(String text, int i) {
        char c = text.charAt(i);
        return Character.isHighSurrogate(c)
                ? i + 1 < text.length() && Character.isLowSurrogate(text.charAt(i + 1))
                : i > 0 && Character.isHighSurrogate(text.charAt(i - 1));
    }

    private static PrintStream utf8(FileDescriptor descriptor) {
        try {
            return new PrintStream(new FileOutputStream(descriptor), false, "UTF-8");
        } catch (UnsupportedEncodingException e) {
            throw new AssertionError(e);
        }
    }
}
