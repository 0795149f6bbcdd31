package com.nq.odbc;

import java.io.IOException;
import java.io.InputStream;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Map;

/**
 * The command line, {@code java -jar ri-reve.jar COMMAND [OPTIONS]}: runs
 * {@code ri-reve}, the native program the jar carries for this platform
 * beside the library (extracted as the probe program is), with the same
 * arguments and standard streams, and exits with its status. Every command
 * is the program's own: {@code java -jar ri-reve.jar help} lists them.
 */
final class Main {
    /** The platforms a jar may carry the program for, as its folders name them. */
    static final List<String> PLATFORMS = Arrays.asList("linux-x86_64", "linux-aarch64", "windows-x86", "windows-x86_64");

    private Main() {
    }

    /**
     * Runs the command line and exits with its status.
     *
     * @param args the command and its arguments
     */
    public static void main(String[] args) {
        System.exit(run(args));
    }

    static String programName(String platform) {
        return platform.startsWith("windows") ? "ri-reve.exe" : "ri-reve";
    }

    private static String resource(String platform) {
        return "/com/nq/odbc/native/" + platform + "/" + programName(platform);
    }

    static int run(String[] args) {
        String platform = NativeLibrary.platform();
        Path program;
        try (InputStream in = Main.class.getResourceAsStream(resource(platform))) {
            if (in == null) {
                throw new IOException("the jar has no " + resource(platform) + ": it was not built for " + platform);
            }
            program = NativeLibrary.extractProgram(programName(platform), in);
        } catch (IOException e) {
            System.err.println("Could not start the command line! Reason: " + e.getMessage());
            return 1;
        }
        List<String> command = new ArrayList<String>();
        command.add(program.toString());
        command.addAll(Arrays.asList(args));
        ProcessBuilder builder = new ProcessBuilder(command).inheritIO();
        describeTo(builder.environment(), args);
        try {
            return builder.start().waitFor();
        } catch (IOException e) {
            System.err.println("Could not start the command line! Reason: cannot run " + program + ": " + e.getMessage());
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
        return 1;
    }

    /** What the program cannot know by itself: the jar's platforms and probe, and what the JVM did to the arguments. */
    private static void describeTo(Map<String, String> environment, String[] args) {
        StringBuilder carried = new StringBuilder();
        for (String each : PLATFORMS) {
            if (Main.class.getResource(resource(each)) != null) {
                carried.append(carried.length() == 0 ? "" : ",").append(each);
            }
        }
        environment.put("RIREVE_PLATFORMS", carried.toString());
        environment.put("RIREVE_PROGRAM", "java -jar ri-reve.jar");
        String lockTimeout = System.getProperty("com.nq.odbc.lockTimeoutMillis");
        if (lockTimeout != null) {
            environment.put("RIREVE_LOCK_TIMEOUT_MILLIS", lockTimeout);
        }
        try {
            environment.put("RIREVE_PROBE", ConnectionProbe.program().toString());
        } catch (ODBCException e) {
            // The program looks beside itself, and says why a test cannot start.
        }
        for (int i = 0; i < args.length; i++) {
            // What the JVM could not decode under a locale that is not UTF-8 cannot reach the program whole.
            if (args[i].indexOf('\uFFFD') >= 0) {
                environment.put("RIREVE_LOST_ARGUMENTS", Integer.toString(i + 1));
                environment.put("RIREVE_LAUNCHER_CHARSET", System.getProperty("sun.jnu.encoding", "?"));
                break;
            }
        }
    }
}
