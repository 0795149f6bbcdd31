import com.nq.odbc.ConnectionTest;
import com.nq.odbc.ODBC;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.Arrays;

/**
 * Times getDrivers(), getDataSources() and listDataSources() (every data
 * source with its scope and entries) inside one JVM, after a second of
 * warm-up; or, with "first", only the JVM's first getDrivers(), loading the
 * library included; or, with "probe", one connection test of a SQLite3
 * database in this process and in a child process, and diagnose().
 * With "fresh dataSources|scoped", one listing in this fresh JVM, its
 * seconds and the JVM's peak resident memory; with "register RUNS", the
 * median seconds of one registration of a user data source (each a new one,
 * all removed after).
 * Usage: java -cp ri-reve.jar:. ListingBench RUNS|first|probe RUNS DATABASE DRIVER_LIBRARY|fresh KIND|register RUNS
 * Prints one JSON object: median seconds per listing, entries listed, and
 * the JVM's peak resident memory in KiB; or the first call's seconds.
 */
public final class ListingBench {
    private ListingBench() {
    }

    interface Listing {
        int run();
    }

    public static void main(String[] args) throws Exception {
        if (args[0].equals("first")) {
            long start = System.nanoTime();
            ODBC.getDrivers();
            System.out.printf("{\"firstCall\": %.6f}%n", (System.nanoTime() - start) / 1e9);
            return;
        }
        if (args[0].equals("fresh")) {
            long start = System.nanoTime();
            int listed = args[1].equals("scoped") ? listScoped() : ODBC.getDataSources().length;
            System.out.printf("{\"seconds\": %.6f, \"listed\": %d, \"peakRssKiB\": %d}%n",
                    (System.nanoTime() - start) / 1e9, listed, peakRssKiB());
            return;
        }
        if (args[0].equals("register")) {
            register(Math.max(1, Integer.parseInt(args[1])));
            return;
        }
        if (args[0].equals("probe")) {
            probe(Math.max(1, Integer.parseInt(args[1])), "DRIVER=" + args[3] + ";Database=" + args[2]);
            return;
        }
        int runs = Math.max(1, Integer.parseInt(args[0]));
        double drivers = median(runs, () -> ODBC.getDrivers().length);
        double dataSources = median(runs, () -> ODBC.getDataSources().length);
        double scoped = median(runs, ListingBench::listScoped);
        System.out.printf("{\"drivers\": %.6f, \"dataSources\": %.6f, \"scoped\": %.6f, \"driversListed\": %d, "
                + "\"dataSourcesListed\": %d, \"scopedListed\": %d, \"peakRssKiB\": %d}%n", drivers, dataSources,
                scoped, ODBC.getDrivers().length, ODBC.getDataSources().length, listScoped(), peakRssKiB());
    }

    static void probe(int runs, String connection) throws Exception {
        java.time.Duration timeout = java.time.Duration.ofSeconds(10);
        double inProcess = median(runs, () -> connected(connection, timeout, ConnectionTest.Isolation.IN_PROCESS));
        double isolated = median(runs, () -> connected(connection, timeout, ConnectionTest.Isolation.CHILD_PROCESS));
        double diagnose = median(runs, () -> {
            try {
                return ODBC.diagnose().getFindings().size();
            } catch (com.nq.odbc.ODBCException e) {
                throw new IllegalStateException(e);
            }
        });
        System.out.printf("{\"inProcess\": %.6f, \"isolated\": %.6f, \"diagnose\": %.6f, \"drivers\": %d}%n",
                inProcess, isolated, diagnose, ODBC.getDrivers().length);
    }

    static void register(int runs) throws Exception {
        java.util.Map<String, String> entries = java.util.Collections.singletonMap("Database", "/tmp/bench.db");
        double[] times = new double[runs];
        for (int i = 0; i < runs; i++) {
            long start = System.nanoTime();
            ODBC.registerDataSource("registered" + i, "Driver 0", entries, com.nq.odbc.DataSource.Scope.USER);
            times[i] = (System.nanoTime() - start) / 1e9;
        }
        for (int i = 0; i < runs; i++) {
            ODBC.unregisterDataSource("registered" + i, "Driver 0", com.nq.odbc.DataSource.Scope.USER);
        }
        Arrays.sort(times);
        System.out.printf("{\"register\": %.6f}%n", times[runs / 2]);
    }

    static int connected(String connection, java.time.Duration timeout, ConnectionTest.Isolation isolation) {
        try {
            ConnectionTest test = ODBC.testConnection(connection, timeout, isolation);
            if (!test.isConnected()) {
                throw new IllegalStateException(test.toString());
            }
            return 1;
        } catch (com.nq.odbc.ODBCException e) {
            throw new IllegalStateException(e);
        }
    }

    static int listScoped() {
        try {
            return ODBC.dataSources().size();
        } catch (com.nq.odbc.ODBCException e) {
            throw new IllegalStateException(e);
        }
    }

    static double median(int runs, Listing listing) {
        // Long enough for the JIT to compile what the library's objects run.
        long warmUntil = System.nanoTime() + 1_000_000_000L;
        for (int i = 0; i < 2 || System.nanoTime() < warmUntil; i++) {
            listing.run();
        }
        double[] times = new double[runs];
        for (int i = 0; i < runs; i++) {
            long start = System.nanoTime();
            listing.run();
            times[i] = (System.nanoTime() - start) / 1e9;
        }
        Arrays.sort(times);
        return times[runs / 2];
    }

    static long peakRssKiB() throws Exception {
        for (String line : Files.readAllLines(Paths.get("/proc/self/status"))) {
            if (line.startsWith("VmHWM:")) {
                return Long.parseLong(line.replaceAll("[^0-9]", ""));
            }
        }
        return -1;
    }
}
