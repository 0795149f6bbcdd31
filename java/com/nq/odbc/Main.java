package com.nq.odbc;

import java.io.FileDescriptor;
import java.io.FileOutputStream;
import java.io.PrintStream;
import java.io.UnsupportedEncodingException;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
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

    static final String USAGE_TEXT = "Usage: java -jar ri-reve.jar [OPTIONS] COMMAND [--] [ARGUMENTS]\n"
            + "Shows and changes this machine's ODBC configuration.\n"
            + "\n"
            + "Commands:\n"
            + "  drivers [--verbose]                  installed drivers (with --verbose, their attributes)\n"
            + "  dsns [--user|--system]               configured data sources, their scopes and drivers\n"
            + "  show NAME [--user|--system]          a data source's entries, as odbcinst -q -s -n shows them\n"
            + "  set NAME [--user|--system] KEY=VALUE ... [--unset KEY ...]\n"
            + "                                       change a data source's entries in place\n"
            + "  add NAME DRIVER [KEY=VALUE ...] [--system]\n"
            + "                                       register a user (or system) data source\n"
            + "  remove NAME DRIVER [--system]        remove a user (or system) data source\n"
            + "\n"
            + "Options:\n"
            + "  --json       print JSON instead of a table\n"
            + "  --user       only the user's data sources (the default of set, add and remove)\n"
            + "  --system     only the system's data sources, which only root may change on Linux\n"
            + "  --unset KEY  with set: take the entry KEY out\n"
            + "  --verbose    with drivers: print every attribute\n"
            + "  --version    print the library's version\n"
            + "  --help       print this text\n"
            + "  --           end of the options: what follows is a name, even if it starts with -\n";

    static final String NO_DATA_SOURCES = "No data sources are configured. Add one with:\n"
            + "  java -jar ri-reve.jar add NAME DRIVER [KEY=VALUE ...]\n"
            + "for instance: java -jar ri-reve.jar add demo SQLite3 Database=/tmp/demo.db\n";

    private final PrintStream out;
    private final PrintStream err;
    private boolean json;
    private boolean verbose;
    private DataSource.Scope scope;
    private final List<String> unset = new ArrayList<String>();

    Main(PrintStream out, PrintStream err) {
        this.out = out;
        this.err = err;
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

    int run(String[] args) {
        List<String> words = new ArrayList<String>();
        boolean help = false;
        boolean version = false;
        int optionsEnd = args.length;
        for (int i = 0; i < args.length; i++) {
            if (args[i].equals("--")) {
                optionsEnd = i;
                break;
            }
            // Known before anything can go wrong, so that every error comes as JSON.
            json |= args[i].equals("--json");
        }
        for (int i = 0; i < args.length; i++) {
            String arg = args[i];
            if (i >= optionsEnd) {
                if (i > optionsEnd) {
                    words.add(arg);
                }
            } else if (arg.equals("--json")) {
                continue;
            } else if (arg.equals("--verbose") || arg.equals("-v")) {
                verbose = true;
            } else if (arg.equals("--help") || arg.equals("-h")) {
                help = true;
            } else if (arg.equals("--version")) {
                version = true;
            } else if (arg.equals("--user") || arg.equals("--system")) {
                DataSource.Scope named = arg.equals("--user") ? DataSource.Scope.USER : DataSource.Scope.SYSTEM;
                if (scope != null && scope != named) {
                    return usage("--user and --system exclude each other");
                }
                scope = named;
            } else if (arg.equals("--unset")) {
                if (++i >= optionsEnd) {
                    return usage("--unset needs a key");
                }
                unset.add(args[i]);
            } else if (arg.startsWith("-") && arg.length() > 1) {
                return usage("unknown option " + arg);
            } else {
                words.add(arg);
            }
        }
        if (help) {
            out.print(USAGE_TEXT);
            return OK;
        }
        if (version) {
            out.println(json ? "{\"version\": " + quote(Version.number()) + "}" : "ri-reve " + Version.number());
            return OK;
        }
        if (words.isEmpty()) {
            return usage("no command given");
        }
        String command = words.remove(0);
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
            if (command.equals("drivers") && words.isEmpty()) {
                return printDrivers(ODBC.getDrivers());
            } else if (command.equals("dsns") && words.isEmpty() && unset.isEmpty()) {
                return printDataSources(scope == null ? ODBC.listDataSources() : ODBC.listDataSources(scope));
            } else if (command.equals("show") && words.size() == 1 && unset.isEmpty()) {
                return show(words.get(0));
            } else if (command.equals("set") && words.size() + unset.size() >= 2) {
                return set(words.get(0), pairsOf(words.subList(1, words.size())));
            } else if (command.equals("add") && words.size() >= 2 && unset.isEmpty()) {
                return add(words.get(0), words.get(1), pairsOf(words.subList(2, words.size())));
            } else if (command.equals("remove") && words.size() == 2 && unset.isEmpty()) {
                ODBC.unregisterDataSource(words.get(0), words.get(1), scopeOrUser());
                out.println(json ? "{\"removed\": " + quote(words.get(0)) + "}" : "Removed " + words.get(0));
                return OK;
            }
        } catch (IllegalArgumentException e) {
            return usage(e.getMessage());
        } catch (ODBCException e) {
            String reason = e.getCause() == null ? null : e.getCause().getMessage();
            return fail(e.getMessage(), reason, e.getReason() == ODBCException.Reason.INVALID_ARGUMENT ? USAGE : REFUSED);
        } catch (Throwable t) {
            // The library raises every refusal as a plain Throwable with its
            // own message and the reason as its cause; anything else is shown
            // with its class.
            if (t.getClass() != Throwable.class && !(t instanceof UnsatisfiedLinkError)) {
                return fail(t.toString(), null, REFUSED);
            }
            String reason = t.getCause() == null ? null : t.getCause().getMessage();
            return fail(t.getMessage(), reason, isMisuse(t.getMessage()) ? USAGE : REFUSED);
        }
        return usage(command.matches("drivers|dsns|show|set|add|remove") ? "wrong arguments for " + command
                : "unknown command " + command);
    }

    /** The library's messages for arguments that could never be accepted. */
    static boolean isMisuse(String message) {
        return message != null && message.matches("DataSource name is (null|invalid)!|Driver name is null!"
                + "|DataSource attribute text is (invalid|too long)!");
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

    private int add(String name, String driver, Map<String, String> attributes) throws ODBCException {
        DataSource added = ODBC.registerDataSource(name, driver, attributes.isEmpty() ? null : attributes,
                scopeOrUser());
        if (added == null) {
            return fail("Registered, but the driver manager does not list a data source named " + name, REFUSED);
        }
        out.println(json ? dataSourceJson(added) : "Added " + added.getName() + " (" + added.getDriverName() + ")");
        return OK;
    }

    private int set(String name, Map<String, String> entries) throws ODBCException {
        DataSource changed = ODBC.configureDataSource(name, scopeOrUser(), entries, unset);
        out.println(json ? dataSourceJson(changed) : "Changed " + changed.getName() + " (" + scopeName(changed) + ")");
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

    private int printDrivers(ODBCDriver[] drivers) {
        if (json) {
            List<String> items = new ArrayList<String>();
            for (ODBCDriver driver : drivers) {
                items.add(driver == null ? "null" : "{\"description\": " + quote(driver.getDescription())
                        + ", \"attributes\": " + mapJson(driver.getAttributes()) + "}");
            }
            out.println(arrayJson(items));
            return OK;
        }
        List<String[]> rows = new ArrayList<String[]>();
        rows.add(new String[] {"DRIVER", "LIBRARY"});
        for (ODBCDriver driver : drivers) {
            if (driver == null) {
                continue;
            }
            rows.add(new String[] {driver.getDescription(), orDash(driver.getAttribute("Driver"))});
            if (verbose) {
                for (Map.Entry<String, String> entry : new TreeMap<String, String>(driver.getAttributes()).entrySet()) {
                    rows.add(new String[] {"  " + entry.getKey(), entry.getValue()});
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
