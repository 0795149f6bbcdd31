package com.nq.odbc;

/** Loads the native library that serves {@link ODBC}. */
final class NativeLibrary {
    /** The library's module name: {@code libRI-REVE.so}, {@code RI-REVE.dll}. */
    static final String MODULE_NAME = "RI-REVE";

    private NativeLibrary() {
    }

    static void load() {
        System.loadLibrary(MODULE_NAME);
    }
}
