package com.nq.odbc;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.file.Files;
import java.nio.file.Path;
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
 *     temporary folder.</li>
 * </ol>
 */
final class NativeLibrary {
    /** The library's module name: {@code libRI-REVE.so}, {@code RI-REVE.dll}. */
    static final String MODULE_NAME = "RI-REVE";

    /** System property naming the library file to load before any other. */
    static final String PATH_PROPERTY = "com.nq.odbc.library";

    private static final String RESOURCE_FOLDER = "/com/nq/odbc/native/";

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
        StringBuilder message = new StringBuilder("Could not load the native library " + MODULE_NAME + ":");
        for (String failure : failures) {
            message.append("\n  ").append(failure);
        }
        throw new UnsatisfiedLinkError(message.toString());
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
        Path copy;
        try {
            copy = extractPrivately(contents);
        } catch (IOException e) {
            failures.add(attempt + ": could not extract it: " + e);
            return false;
        }
        return tryLoad(failures, attempt + " extracted to " + copy, copy.toString(), false);
    }

    /**
     * Writes the library into a new folder that only this user can enter
     * (the JDK creates temporary folders so on POSIX systems), then reads it
     * back, so that nothing another user wrote, or changed meanwhile, is loaded.
     */
    private static Path extractPrivately(byte[] contents) throws IOException {
        Path folder = Files.createTempDirectory("ri-reve-");
        Path copy = folder.resolve(System.mapLibraryName(MODULE_NAME));
        File folderFile = folder.toFile();
        File copyFile = copy.toFile();
        folderFile.deleteOnExit();
        copyFile.deleteOnExit();
        try (OutputStream out = Files.newOutputStream(copy)) {
            out.write(contents);
        }
        if (!Arrays.equals(contents, Files.readAllBytes(copy))) {
            throw new IOException(copy + " changed after it was written");
        }
        return copy;
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
