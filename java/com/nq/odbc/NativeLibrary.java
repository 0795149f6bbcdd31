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
 *     folder in {@value #FOLDER_PROPERTY} (else {@code java.io.tmpdir}) and
 *     removed as soon as it is loaded.</li>
 * </ol>
 * A library that the first two name but another class loader already holds
 * (an application server's redeployment) is loaded from a private copy.
 */
final class NativeLibrary {
    /** The library's module name: {@code libRI-REVE.so}, {@code RI-REVE.dll}. */
    static final String MODULE_NAME = "RI-REVE";

    /** System property naming the library file to load before any other. */
    static final String PATH_PROPERTY = "com.nq.odbc.library";

    /** System property naming the folder to extract into, before {@code java.io.tmpdir}. */
    static final String FOLDER_PROPERTY = "com.nq.odbc.tmpdir";

    private static final String FIX = "; set -D" + FOLDER_PROPERTY + "=<a folder only you can change, on a file"
            + " system that may run programs> (or -Djava.io.tmpdir=), or -D" + PATH_PROPERTY + "=<the library's path>";

    /** The JVM's word for a library that another class loader holds. */
    private static final String HELD_ELSEWHERE = "already loaded in another classloader";

    /** Tells folders apart within one process without a slow random source. */
    private static final java.util.concurrent.atomic.AtomicLong FOLDERS = new java.util.concurrent.atomic.AtomicLong();

    private static final String RESOURCE_FOLDER = "/com/nq/odbc/native/";

    /** The driver manager the Linux library links. */
    static final String DRIVER_MANAGER = "libodbc.so.2";

    /** Extracted copies live in folders named for the process that made them. */
    private static final String FOLDER_PREFIX = "ri-reve-";

    /** The library file loaded, when it was loaded from a file of its own rather than the jar. */
    private static volatile Path loadedFrom;

    private NativeLibrary() {
    }

    static Path loadedFrom() {
        return loadedFrom;
    }

    /**
     * Extracts a program of the jar into a new private folder, as the library
     * is, and keeps it there until the VM exits: a child process runs it.
     */
    static Path extractProgram(String name, InputStream in) throws IOException {
        Path temporary = extractionFolder();
        String unsafe = replaceableBy(temporary);
        if (unsafe != null) {
            throw new IOException("the folder " + temporary + " " + unsafe + FIX);
        }
        byte[] contents = readAll(in);
        Path folder = createPrivateFolder(temporary);
        Path program = folder.resolve(name);
        folder.toFile().deleteOnExit();
        program.toFile().deleteOnExit();
        try (OutputStream out = Files.newOutputStream(program)) {
            out.write(contents);
        }
        if (!program.toFile().setExecutable(true, true) || !Arrays.equals(contents, Files.readAllBytes(program))) {
            throw new IOException(program + " cannot be made executable, or changed after it was written");
        }
        if (mountedNoexec(temporary)) {
            throw new IOException("the folder " + temporary + " is on a file system mounted noexec" + FIX);
        }
        return program;
    }

    static void load() {
        List<String> failures = new ArrayList<String>();
        String path = System.getProperty(PATH_PROPERTY);
        if (path != null && (tryLoad(failures, PATH_PROPERTY + "=" + path, path, false)
                || heldElsewhere(failures) && loadPrivateCopy(failures, Paths.get(path)))) {
            loadedFrom = Paths.get(path).toAbsolutePath();
            return;
        }
        String libraryPath = System.getProperty("java.library.path");
        if (tryLoad(failures, "java.library.path=" + libraryPath, MODULE_NAME, true)) {
            loadedFrom = findOnLibraryPath(libraryPath);
            return;
        }
        Path onLibraryPath = heldElsewhere(failures) ? findOnLibraryPath(libraryPath) : null;
        if (onLibraryPath != null && loadPrivateCopy(failures, onLibraryPath)) {
            return;
        }
        if (loadBundledCopy(failures)) {
            return;
        }
        throw new UnsatisfiedLinkError(failureMessage(failures));
    }

    private static boolean heldElsewhere(List<String> failures) {
        return !failures.isEmpty() && failures.get(failures.size() - 1).contains(HELD_ELSEWHERE);
    }

    private static Path findOnLibraryPath(String libraryPath) {
        for (String folder : libraryPath == null ? new String[0] : libraryPath.split(File.pathSeparator)) {
            Path file = Paths.get(folder.isEmpty() ? "." : folder, System.mapLibraryName(MODULE_NAME));
            if (Files.isRegularFile(file)) {
                return file;
            }
        }
        return null;
    }

    /** A library that another class loader holds, loaded again from a copy of this loader's own. */
    private static boolean loadPrivateCopy(List<String> failures, Path library) {
        String attempt = "a private copy of " + library + " (held by another class loader)";
        try {
            return extractAndLoad(failures, attempt, Files.readAllBytes(library));
        } catch (IOException e) {
            failures.add(attempt + ": cannot read it: " + e);
            return false;
        }
    }

    /** One message for every attempt, led by what to do when the cause is known. */
    static String failureMessage(List<String> failures) {
        StringBuilder message = new StringBuilder("Could not load the native library " + MODULE_NAME + ":");
        for (String failure : failures) {
            if (failure.contains("native access is denied")) {
                message.append(" native access is denied; run java with --enable-native-access=ALL-UNNAMED"
                        + " (class path) or --enable-native-access=com.nq.odbc (module path)");
                break;
            }
        }
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
        } catch (RuntimeException e) {
            // IllegalCallerException (Java 9 and newer): native access is denied.
            if (!e.getClass().getName().equals("java.lang.IllegalCallerException")) {
                throw e;
            }
            failures.add(attempt + ": native access is denied (" + e.getMessage() + "); run java with"
                    + " --enable-native-access=ALL-UNNAMED (class path) or --enable-native-access=com.nq.odbc"
                    + " (module path)");
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
        return extractAndLoad(failures, attempt, contents);
    }

    /** The folder to extract into: {@value #FOLDER_PROPERTY}, else {@code java.io.tmpdir}. */
    static Path extractionFolder() {
        String folder = System.getProperty(FOLDER_PROPERTY);
        return Paths.get(folder != null ? folder : System.getProperty("java.io.tmpdir"));
    }

    private static boolean extractAndLoad(List<String> failures, String attempt, byte[] contents) {
        Path temporary = extractionFolder();
        String unsafe = replaceableBy(temporary);
        if (unsafe != null) {
            failures.add(attempt + ": not extracted, since the folder " + temporary + " " + unsafe + FIX);
            return false;
        }
        removeLeftovers(temporary);
        Path copy;
        try {
            copy = extractPrivately(temporary, contents);
        } catch (IOException e) {
            failures.add(attempt + ": cannot be extracted to " + temporary + " (" + describe(e) + ")" + FIX);
            return false;
        }
        try {
            if (tryLoad(failures, attempt + " extracted to " + copy, copy.toString(), false)) {
                return true;
            }
            if (mountedNoexec(temporary)) {
                failures.add(attempt + ": the folder " + temporary + " is on a file system mounted noexec, from"
                        + " which no library can be loaded" + FIX);
            }
            return false;
        } finally {
            remove(copy);
        }
    }

    private static String describe(IOException e) {
        if (e instanceof java.nio.file.NoSuchFileException) {
            return "it does not exist";
        }
        if (e instanceof java.nio.file.AccessDeniedException) {
            return "this user may not write it";
        }
        return e.getMessage() == null ? e.toString() : e.getMessage();
    }

    /** Whether the folder lies on a file system mounted noexec (Linux's /proc/self/mounts). */
    static boolean mountedNoexec(Path folder) {
        String best = "";
        boolean noexec = false;
        try {
            String real = folder.toRealPath().toString();
            for (String line : Files.readAllLines(Paths.get("/proc/self/mounts"))) {
                String[] fields = line.split(" ");
                if (fields.length < 4) {
                    continue;
                }
                String point = fields[1].replace("\\040", " ");
                boolean under = real.equals(point) || real.startsWith(point.endsWith("/") ? point : point + "/");
                if (under && point.length() >= best.length()) {
                    best = point;
                    noexec = Arrays.asList(fields[3].split(",")).contains("noexec");
                }
            }
        } catch (IOException | RuntimeException e) {
            return false;
        }
        return noexec;
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
        Path folder = createPrivateFolder(temporary);
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

    /**
     * A new folder only this user can enter, named for this process: made
     * with one call that fails rather than reuse a folder that is there
     * (the JDK's own temporary folders wait on a slow random source first).
     */
    private static Path createPrivateFolder(Path temporary) throws IOException {
        boolean posix = temporary.getFileSystem().supportedFileAttributeViews().contains("posix");
        for (int tries = 0;; tries++) {
            Path folder = temporary.resolve(FOLDER_PREFIX + processId() + "-"
                    + Long.toHexString(System.nanoTime()) + Long.toHexString(FOLDERS.incrementAndGet()));
            try {
                return posix ? Files.createDirectory(folder, java.nio.file.attribute.PosixFilePermissions
                        .asFileAttribute(java.nio.file.attribute.PosixFilePermissions.fromString("rwx------")))
                        : Files.createDirectory(folder);
            } catch (java.nio.file.FileAlreadyExistsException e) {
                if (tries == 100) {
                    throw e;
                }
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
