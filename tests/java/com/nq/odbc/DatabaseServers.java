package com.nq.odbc;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.Map;

/**
 * A PostgreSQL and a MariaDB server of the test's own, on Unix sockets in a
 * private folder, started and stopped by tests/probe/servers.sh.
 */
final class DatabaseServers {
    final Path folder;
    final String postgresSocketFolder;
    final String mariadbSocket;

    private DatabaseServers(Path folder, String postgresSocketFolder, String mariadbSocket) {
        this.folder = folder;
        this.postgresSocketFolder = postgresSocketFolder;
        this.mariadbSocket = mariadbSocket;
    }

    static DatabaseServers start(String password) throws IOException, InterruptedException {
        // Under /tmp, which the servers' own users may enter, unlike the build tree.
        Path folder = Files.createTempDirectory("rireve-servers-");
        Processes.Result started = Processes.run(Map.of(), List.of(script(), "start", folder.toString(), password));
        if (started.exitCode != 0) {
            Processes.run(script(), "stop", folder.toString());
            throw new IOException("the database servers did not start: " + started);
        }
        String[] lines = started.stdout.trim().split("\n");
        return new DatabaseServers(folder, lines[0], lines[1]);
    }

    void close() throws IOException, InterruptedException {
        Processes.run(script(), "stop", folder.toString());
    }

    private static String script() {
        return System.getProperty("rireve.test.servers");
    }
}
