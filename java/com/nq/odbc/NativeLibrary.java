package com.nq.odbc;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;

/**
 * Loads the native library that serves {@link ODBC}, trying in this order:
 * <ol>
 * <li>the file that the system property {@value #PATH_PROPERTY} names;</li>
 * <li>{@code System.loadLibrary("RI-REVE")}, from {@code java.library.path};</li>
 * <li>the copy bundled in the jar for the running system, under
 *     {@code com/nq/odbc/native/<os>-<arch>/}, extracted to a new private
 *     temporary folder and removed as soon as it is loaded.</li>
 * </ol>
 */
final class NativeLibrary {
    /** The library's module name: {@code libRI-REVE.so}, {@code RI-REVE.dll}. */
    static final String MODULE_NAME = "RI-REVE";

    /** System property naming the library file to load before any other. */
    static final String PATH_PROPERTY = "com.nq.odbc.library";

    private static final String RESOURCE_FOLDER = "/com/nq/odbc/native/";

    /** The driver manager the Linux library links. */
    static final String DRIVER_MANAGER = "libodbc.so.2";

    /** Extracted copies live in folders named for the process that made them. */
    private static final String FOLDER_PREFIX = "ri-reve-";

    private NativeLibrary() {
    }

    static void load() {
        List<String> failures = new ArrayList<String>();
        String path = System.getProperty(PATH_PROPERTY);
        if (path != null && tryLoad(failures, PATH_PROPERTY + "=" + path, path, false)) {
            return;
        }
        if (tryLoad(failures, "java.library.path=" + System.getProperty("java.library.path"), MODULE_NAME, true)) {
            return;
        }
        if (loadBundledCopy(failures)) {
            return;
        }
        throw new UnsatisfiedLinkError(failureMessage(failures));
    }

    /** One message for every attempt, led by what to do when the cause is known. */
    static String failureMessage(List<String> failures) {
        StringBuilder message = new StringBuilder("Could not load the native library " + MODULE_NAME + ":");
        for (String failure : failures) {
            if (failure.contains(DRIVER_MANAGER)) {
                message.append(" the ODBC driver manager unixODBC (" + DRIVER_MANAGER + ") is missing or cannot be loaded;"
                        + " install it (Debian, Ubuntu: apt-get install unixodbc; Fedora, RHEL: dnf install unixODBC)");
                break;
            }
        }
        for (String failure : failures) {
            message.append("\n  ").append(failure);
        }
        return message.toString();
    }

    /** The folder name of the running system's bundled copy, such as {@code linux-x86_64}. */
    static String platform() {
        return platform(System.getProperty("os.name"), System.getProperty("os.arch"));
    }

    static String platform(String osName, String osArch) {
        String os = osName.toLowerCase(Locale.ROOT);
        if (os.startsWith("windows")) {
            os = "windows";
        } else if (os.startsWith("mac") || os.startsWith("darwin")) {
            os = "macos";
        } else {
            os = os.replaceAll("[^a-z0-9]", "");
        }
        String arch = osArch.toLowerCase(Locale.ROOT);
        if (Arrays.asList("amd64", "x86_64", "x64").contains(arch)) {
            arch = "x86_64";
        } else if (Arrays.asList("x86", "i386", "i486", "i586", "i686").contains(arch)) {
            arch = "x86";
        } else if (Arrays.asList("aarch64", "arm64").contains(arch)) {
            arch = "aarch64";
        }
        return os + "-" + arch;
    }

    private static boolean tryLoad(List<String> failures, String attempt, String library, boolean byName) {
        try {
            if (byName) {
                System.loadLibrary(library);
            } else {
                System.load(library);
            }
            return true;
        } catch (UnsatisfiedLinkError | SecurityException e) {
            failures.add(attempt + ": " + e.getMessage());
            return false;
        }
    }

    private static boolean loadBundledCopy(List<String> failures) {
        String resource = RESOURCE_FOLDER + platform() + "/" + System.mapLibraryName(MODULE_NAME);
        String attempt = "bundled copy " + resource;
        byte[] contents;
        try (InputStream in = NativeLibrary.class.getResourceAsStream(resource)) {
            if (in == null) {
                failures.add(attempt + ": not in the jar (no build for this system)");
                return false;
            }
            contents = readAll(in);
        } catch (IOException e) {
            failures.add(attempt + ": " + e);
            return false;
        }
        Path temporary = Paths.get(System.getProperty("java.io.tmpdir"));
        String unsafe = replaceableBy(temporary);
        if (unsafe != null) {
            failures.add(attempt + ": not extracted, since the temporary folder " + temporary + " " + unsafe
                    + "; set -Djava.io.tmpdir=<a folder only you can change>, or -D" + PATH_PROPERTY
                    + "=<the library's path>");
            return false;
        }
        removeLeftovers(temporary);
        Path copy;
        try {
            copy = extractPrivately(temporary, contents);
        } catch (IOException e) {
            failures.add(attempt + ": could not extract it: " + e);
            return false;
        }
        try {
            return tryLoad(failures, attempt + " extracted to " + copy, copy.toString(), false);
        } finally {
            remove(copy);
        }
    }

    /**
     * Why other users could replace what is extracted into the folder (it is
     * writable by others without the sticky bit, or owned by someone else but
     * the system's administrator), or null when they cannot. Null too where
     * the file system has no POSIX modes.
     */
    static String replaceableBy(Path folder) {
        try {
            int mode = (Integer) Files.getAttribute(folder, "unix:mode");
            int owner = (Integer) Files.getAttribute(folder, "unix:uid");
            boolean sticky = (mode & 01000) != 0;
            if ((mode & 0022) != 0 && !sticky) {
                return "can be changed by other users (mode " + Integer.toOctalString(mode & 07777)
                        + ", writable by others without the sticky bit)";
            }
            int self = (Integer) Files.getAttribute(Paths.get("/proc/self"), "unix:uid");
            if (owner != 0 && owner != self) {
                return "belongs to another user (uid " + owner + ")";
            }
            return null;
        } catch (UnsupportedOperationException | IllegalArgumentException | IOException e) {
            return null;
        }
    }

    /**
     * Removes the folders that earlier processes extracted into and could not
     * remove because they were killed: those whose process no longer runs.
     */
    private static void removeLeftovers(Path temporary) {
        if (!Files.isDirectory(Paths.get("/proc/self"))) {
            return;
        }
        File[] folders = temporary.toFile().listFiles();
        if (folders == null) {
            return;
        }
        for (File folder : folders) {
            String[] parts = folder.getName().split("-");
            if (!folder.getName().startsWith(FOLDER_PREFIX) || parts.length != 4 || !parts[2].matches("[0-9]+")
                    || new File("/proc/" + parts[2]).exists()) {
                continue;
            }
            File[] files = folder.listFiles();
            for (File file : files == null ? new File[0] : files) {
                file.delete();
            }
            folder.delete();
        }
    }

    /**
     * Writes the library into a new folder that only this user can enter
     * (the JDK creates temporary folders so on POSIX systems), then reads it
     * back, so that nothing another user wrote, or changed meanwhile, is loaded.
     */
    private static Path extractPrivately(Path temporary, byte[] contents) throws IOException {
        Path folder = Files.createTempDirectory(temporary, FOLDER_PREFIX + processId() + "-");
        Path copy = folder.resolve(System.mapLibraryName(MODULE_NAME));
        try (OutputStream out = Files.newOutputStream(copy)) {
            out.write(contents);
        }
        if (!Arrays.equals(contents, Files.readAllBytes(copy))) {
            remove(copy);
            throw new IOException(copy + " changed after it was written");
        }
        return copy;
    }

    /**
     * Removes the copy and its folder. A loaded library stays mapped on Linux,
     * so nothing is left behind even if the process is killed later; Windows
     * keeps a loaded DLL's file, which then goes when the VM exits, if it can.
     */
    private static void remove(Path copy) {
        for (Path path : new Path[] {copy, copy.getParent()}) {
            try {
                Files.deleteIfExists(path);
            } catch (IOException e) {
                path.toFile().deleteOnExit();
            }
        }
    }

    /** This process's id where /proc tells it (Linux), else 0. */
    private static String processId() {
        try {
            return Files.readSymbolicLink(Paths.get("/proc/self")).toString();
        } catch (IOException | UnsupportedOperationException e) {
            return "0";
        }
    }

    private static byte[] readAll(InputStream in) throws IOException {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        byte[] buffer = new byte[1 << 16];
        for (int n; (n = in.read(buffer)) > 0;) {
            out.write(buffer, 0, n);
        }
        return out.toByteArray();
    }
}
