package com.nq.odbc;

/**
 * Runs in a JVM of its own, so that its output can be read or it can be killed:
 * register|remove|register-system NAME DRIVER (twice, printing each outcome),
 * add|delete|churn|edit PREFIX COUNT (data sources PREFIX + number, churn
 * re-adding five of them; edit setting entries PREFIX + number of "mine"),
 * beside SECTION PREFIX COUNT (set entries PREFIX + number of SECTION, own
 * (register and remove data sources PREFIX + number) or list (list COUNT
 * times) beside other writers, printing each acknowledged key, each refusal
 * and each listing that missed a SECTION named, and each change whose result was null), dsns (print each data
 * source's name), two-loaders JAR (print the first data
 * source through the jar in two class loaders of their own), or wait (load the
 * library, say so, and sleep).
 */
public final class Child {
    private Child() {
    }

    public static void main(String[] args) throws Exception {
        if (args[0].equals("wait")) {
            ODBC.getDrivers();
            System.out.println("loaded");
            System.out.flush();
            Thread.sleep(60_000);
        } else if (args[0].equals("two-loaders")) {
            for (int i = 0; i < 2; i++) {
                java.net.URLClassLoader loader = new java.net.URLClassLoader(
                        new java.net.URL[] {new java.io.File(args[1]).toURI().toURL()}, null);
                Object[] sources = (Object[]) loader.loadClass("com.nq.odbc.ODBC").getMethod("getDataSources").invoke(null);
                System.out.println(sources[0].getClass().getMethod("getName").invoke(sources[0]));
            }
        } else if (args[0].equals("drivers")) {
            // The library's own loading, as a program of the API sees it.
            try {
                for (ODBCDriver driver : ODBC.getDrivers()) {
                    System.out.println(driver.getDescription() + " " + driver.getAttribute("Driver"));
                }
            } catch (UnsatisfiedLinkError e) {
                System.err.println(e.getMessage());
                System.exit(1);
            }
        } else if (args[0].equals("dsns")) {
            for (DataSource source : ODBC.getDataSources()) {
                System.out.println(source.getName());
            }
        } else if (args[0].equals("beside")) {
            beside(args[1], args[2], Integer.parseInt(args[3]));
        } else if (args[0].matches("register|remove|register-system")) {
            callTwice(args[0], args[1], args[2]);
        } else {
            repeat(args[0], args[1], Integer.parseInt(args[2]));
        }
    }

    private static void callTwice(String action, String name, String driver) {
        for (int i = 0; i < 2; i++) {
            try {
                Object result = action.equals("register") ? ODBC.registerDataSource(name, driver, (String) null)
                        : action.equals("remove") ? (Object) ODBC.unregisterDataSource(name, driver)
                        : ODBC.registerDataSource(name, driver, null, DataSource.Scope.SYSTEM);
                System.out.println("returned " + result);
            } catch (Throwable t) {
                System.out.println("threw " + t.getClass().getName() + ": " + t.getMessage()
                        + (t.getCause() == null ? "" : " (" + t.getCause().getMessage() + ")"));
            }
        }
    }

    private static void beside(String section, String prefix, int count) {
        for (int i = 0; i < count; i++) {
            String key = prefix + i;
            try {
                if (prefix.equals("list")) {
                    java.util.Set<String> listed = new java.util.HashSet<>();
                    for (DataSource source : ODBC.listDataSources(DataSource.Scope.USER)) {
                        listed.add(source.getName());
                    }
                    for (String wanted : section.split(",")) {
                        System.out.println(listed.contains(wanted) ? "" : "missed " + wanted + " among " + listed);
                    }
                } else if (prefix.startsWith("own")) {
                    ODBC.registerDataSource(key, "SQLite3", java.util.Collections.emptyMap(), DataSource.Scope.USER);
                    ODBC.unregisterDataSource(key, "SQLite3", DataSource.Scope.USER);
                } else {
                    DataSource changed = ODBC.configureDataSource(section, DataSource.Scope.USER,
                            java.util.Collections.singletonMap(key, "v"), null);
                    System.out.println(changed == null ? "null " + key : "acknowledged " + key);
                }
            } catch (ODBCException e) {
                System.out.println("refused " + key + ": " + e.getCause().getMessage());
            }
        }
    }

    private static void repeat(String action, String prefix, int count) throws ODBCException {
        for (int i = 0; i < count; i++) {
            if (action.equals("edit")) {
                ODBC.configureDataSource("mine", DataSource.Scope.USER,
                        java.util.Collections.singletonMap(prefix + i, prefix + i), null);
                continue;
            }
            String name = prefix + (action.equals("churn") ? i % 5 : i);
            if (action.equals("delete") ? !ODBC.unregisterDataSource(name, "SQLite3")
                    : ODBC.registerDataSource(name, "SQLite3", "Database=/tmp/" + name + ".db") == null) {
                throw new IllegalStateException(action + " " + name);
            }
        }
    }
}
