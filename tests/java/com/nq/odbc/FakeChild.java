package com.nq.odbc;

/** Runs one native call in a JVM of its own, so that its standard error can be read. */
public final class FakeChild {
    private FakeChild() {
    }

    public static void main(String[] args) {
        for (int i = 0; i < 2; i++) {
            try {
                Object result = args[0].equals("register")
                        ? ODBC.registerDataSource(args[1], args[2], (String) null)
                        : (Object) ODBC.unregisterDataSource(args[1], args[2]);
                System.out.println("returned " + result);
            } catch (Throwable t) {
                System.out.println("threw " + t.getClass().getName() + ": " + t.getMessage());
            }
        }
    }
}
