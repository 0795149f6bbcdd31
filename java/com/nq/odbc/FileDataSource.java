package com.nq.odbc;

import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.Map;

/**
 * A file data source: a {@code .dsn} file whose {@code [ODBC]} section holds
 * the connection's entries, read by {@code FILEDSN=path}. Immutable.
 */
public final class FileDataSource {
    private final String path;
    private final Map<String, String> attributes;

    /** Its record: the path, then its entries. */
    FileDataSource(Record record) {
        this.path = record.text();
        this.attributes = Entries.firstOfEachKey(record.keysAndValues());
    }

    /** A count, then each file data source's record. */
    static List<FileDataSource> list(Record record) {
        int count = record.number();
        List<FileDataSource> listed = new ArrayList<FileDataSource>(count);
        for (int i = 0; i < count; i++) {
            listed.add(new FileDataSource(record));
        }
        return Collections.unmodifiableList(listed);
    }

    /**
     * The file.
     *
     * @return its full path
     */
    public Path getFile() {
        return Paths.get(path);
    }

    /**
     * The file's path.
     *
     * @return the full path
     */
    public String getPath() {
        return path;
    }

    /**
     * The entries of its {@code [ODBC]} section, in file order (of a key
     * given twice, the first), looked up with ASCII letter case ignored as
     * the driver manager reads them.
     *
     * @return the entries, unmodifiable
     */
    public Map<String, String> getAttributes() {
        return attributes;
    }

    /**
     * One entry, its key's letter case ignored.
     *
     * @param key the key
     * @return the value, or null
     */
    public String getAttribute(String key) {
        return attributes.get(key);
    }

    /**
     * The entries, as {@link #getAttributes()}.
     *
     * @return the entries, unmodifiable
     * @deprecated use {@link #getAttributes()}, as every value class names its entries
     */
    @Deprecated
    public Map<String, String> getEntries() {
        return getAttributes();
    }

    /**
     * One entry, as {@link #getAttribute(String)}.
     *
     * @param key the key
     * @return the value, or null
     * @deprecated use {@link #getAttribute(String)}
     */
    @Deprecated
    public String get(String key) {
        return getAttribute(key);
    }

    @Override
    public String toString() {
        return path + " " + attributes;
    }
}
