package com.nq.odbc;

import java.io.IOException;
import java.io.InputStream;
import java.lang.management.ManagementFactory;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Map;
import java.util.concurrent.CompletableFuture;
import java.util.concurrent.TimeUnit;

/** Runs programs beside the test: ODBC tools, and JVMs of their own. */
final class Processes {
    private Processes() {
    }

    static final class Result {
        final int exitCode;
        final String stdout;
        final String stderr;

        Result(int exitCode, String stdout, String stderr) {
            this.exitCode = exitCode;
            this.stdout = stdout;
            this.stderr = stderr;
        }

        @Override
        public String toString() {
            return "exit " + exitCode + "\n--- stdout\n" + stdout + "--- stderr\n" + stderr;
        }
    }

    static Result run(Map<String, String> environment, List<String> command) throws IOException, InterruptedException {
        return run(environment, command, null);
    }

    static Result run(Map<String, String> environment, List<String> command, Path workingFolder)
            throws IOException, InterruptedException {
        ProcessBuilder builder = new ProcessBuilder(command);
        if (workingFolder != null) {
            builder.directory(workingFolder.toFile());
        }
        builder.environment().putAll(environment);
        if (!command.get(0).endsWith("/java")) {
            // ODBC's own tools run as installed, without a sanitizer runtime
            // that the JVM of a sanitizer build preloads.
            builder.environment().remove("LD_PRELOAD");
        }
        Process process = builder.start();
        process.getOutputStream().close();
        CompletableFuture<String> out = drain(process.getInputStream());
        CompletableFuture<String> err = drain(process.getErrorStream());
        if (!process.waitFor(120, TimeUnit.SECONDS)) {
            process.destroyForcibly();
            throw new IOException("timed out: " + command);
        }
        return new Result(process.exitValue(), out.join(), err.join());
    }

    static Result run(String... command) throws IOException, InterruptedException {
        return run(Map.of(), Arrays.asList(command));
    }

    /** A JVM on this test's class path, checking its JNI use, running one class. */
    static Result runJvm(Map<String, String> environment, String libraryPath, Class<?> main, String... args)
            throws IOException, InterruptedException {
        List<String> command = java("-Djava.library.path=" + libraryPath);
        command.add("-cp");
        command.add(System.getProperty("rireve.test.classpath"));
        command.add(main.getName());
        command.addAll(Arrays.asList(args));
        return run(environment, command);
    }

    /** Starts Child in a JVM of its own on this test's class path, checking its JNI use. */
    static Process startChild(String jvmOption, String... args) throws IOException {
        List<String> command = java(jvmOption, "-cp", System.getProperty("rireve.test.classpath"),
                Child.class.getName());
        command.addAll(Arrays.asList(args));
        return new ProcessBuilder(command).redirectErrorStream(true).start();
    }

    /** The java command of the JVM running the tests, checking JNI use. */
    static List<String> java(String... options) {
        List<String> command = new ArrayList<>();
        command.add(Path.of(System.getProperty("java.home"), "bin", "java").toString());
        command.add("-Xcheck:jni");
        // As this JVM was told, so that newer JDKs load libraries without a warning.
        ManagementFactory.getRuntimeMXBean().getInputArguments().stream()
                .filter(argument -> argument.startsWith("--enable-native-access")).forEach(command::add);
        command.addAll(Arrays.asList(options));
        return command;
    }

    static String read(Path file) throws IOException {
        return Files.exists(file) ? new String(Files.readAllBytes(file), StandardCharsets.UTF_8) : "";
    }

    private static CompletableFuture<String> drain(InputStream stream) {
        return CompletableFuture.supplyAsync(() -> {
            try (InputStream in = stream) {
                return new String(in.readAllBytes(), StandardCharsets.UTF_8);
            } catch (IOException e) {
                return "<" + e + ">";
            }
        });
    }
}
