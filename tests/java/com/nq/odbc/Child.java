package com.nq.odbc;

/**
 * Runs in a JVM of its own, so that its output can be read or it can be killed:
 * register|remove NAME DRIVER (twice, printing each outcome), add|delete|churn
 * PREFIX COUNT (data sources PREFIX + number, churn re-adding five of them), or
 * wait (load the library, say so, and sleep).
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
        }
        for (int i = 0; i < (args[0].matches("register|remove") ? 2 : Integer.parseInt(args[2])); i++) {
            if (args[0].matches("register|remove")) {
                try {
                    Object result = args[0].equals("register") ? ODBC.registerDataSource(args[1], args[2], (String) null)
                            : (Object) ODBC.unregisterDataSource(args[1], args[2]);
                    System.out.println("returned " + result);
                } catch (Throwable t) {
                    System.out.println("threw " + t.getClass().getName() + ": " + t.getMessage());
                }
                continue;
            }
            String name = args[1] + (args[0].equals("churn") ? i % 5 : i);
            if (args[0].equals("delete") ? !ODBC.unregisterDataSource(name, "SQLite3")
                    : ODBC.registerDataSource(name, "SQLite3", "Database=/tmp/" + name + ".db") == null) {
                throw new IllegalStateException(args[0] + " " + name);
            }
        }
    }
}
