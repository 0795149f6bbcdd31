/**
 * RI-REVE: the machine's ODBC configuration for Java. On the module path,
 * run with {@code --enable-native-access=com.nq.odbc}.
 */
module com.nq.odbc {
    exports com.nq.odbc;
}
