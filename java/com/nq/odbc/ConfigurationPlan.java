package com.nq.odbc;

import java.util.ArrayList;
import java.util.Collections;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.Objects;

/**
 * The changes that would bring the machine's configuration to a state
 * ({@link ODBC#plan(String, boolean, boolean)}), entry by entry, and, when
 * asked for, a unified diff of each file. Secrets are masked as
 * {@code ********} throughout. Immutable.
 */
public final class ConfigurationPlan {
    private final List<Change> changes;
    private final Map<String, String> diffs;

    /** Its record: the changes, then a count of diffs, each a file and its text. */
    ConfigurationPlan(Record record) {
        this.changes = Change.list(record);
        int count = record.number();
        Map<String, String> diffs = new LinkedHashMap<String, String>();
        for (int i = 0; i < count; i++) {
            diffs.put(record.text(), record.text());
        }
        this.diffs = Collections.unmodifiableMap(diffs);
    }

    /**
     * The changes, file by file in the order they are made.
     *
     * @return the changes, unmodifiable; empty when the machine is in the state
     */
    public List<Change> getChanges() {
        return changes;
    }

    /**
     * Each file's changes as a unified diff of its sections (as {@code diff -u}
     * prints them), secrets masked; empty unless asked for.
     *
     * @return the diffs by file, in the order of the changes, unmodifiable
     */
    public Map<String, String> getDiffs() {
        return diffs;
    }

    @Override
    public String toString() {
        return changes.toString();
    }

    /** One change of one entry (or of a section without entries). Immutable. */
    public static final class Change {
        /** What the change does. */
        public enum Kind {
            /** An entry, or a section, added. */
            ADD,
            /** An entry's value changed. */
            CHANGE,
            /** An entry, or a section, removed. */
            REMOVE,
            /** A driver installed, counted once ({@code UsageCount=1}). */
            INSTALL,
            /** A driver's usage count changed. */
            COUNT
        }

        private final String file;
        private final String section;
        private final String key;
        private final String before;
        private final String after;
        private final Kind kind;

        /** Its record: file, section, key, the value before and after (each a flag, then the text), the kind. */
        Change(Record record) {
            this.file = record.text();
            this.section = record.text();
            this.key = record.text();
            this.before = record.flag() ? record.text() : null;
            this.after = record.flag() ? record.text() : null;
            this.kind = Kind.values()[record.number()];
        }

        /** A count, then each change's record. */
        static List<Change> list(Record record) {
            int count = record.number();
            List<Change> changes = new ArrayList<Change>(count);
            for (int i = 0; i < count; i++) {
                changes.add(new Change(record));
            }
            return Collections.unmodifiableList(changes);
        }

        /**
         * The file changed: a full path, or on Windows the registry key
         * (which is no path, hence a text).
         *
         * @return the file
         */
        public String getFile() {
            return file;
        }

        /**
         * The section: the data source's or driver's name, {@code ODBC} for the
         * driver manager's settings and a file data source's entries.
         *
         * @return the section's name
         */
        public String getSection() {
            return section;
        }

        /**
         * The entry's key; empty for a section without entries.
         *
         * @return the key
         */
        public String getKey() {
            return key;
        }

        /**
         * The value before, a secret's as {@code ********}.
         *
         * @return the value, or null where there was none
         */
        public String getBefore() {
            return before;
        }

        /**
         * The value after, a secret's as {@code ********}.
         *
         * @return the value, or null where there is none
         */
        public String getAfter() {
            return after;
        }

        /**
         * What the change does.
         *
         * @return the kind
         */
        public Kind getKind() {
            return kind;
        }

        @Override
        public boolean equals(Object other) {
            if (!(other instanceof Change)) {
                return false;
            }
            Change that = (Change) other;
            return file.equals(that.file) && section.equals(that.section) && key.equals(that.key)
                    && Objects.equals(before, that.before) && Objects.equals(after, that.after)
                    && kind == that.kind;
        }

        @Override
        public int hashCode() {
            return Objects.hash(file, section, key, before, after, kind);
        }

        /** {@code KIND [section] key: before -> after}, an absent value as {@code -}. */
        @Override
        public String toString() {
            return kind + " [" + section + "] " + key + ": " + (before == null ? "-" : before) + " -> "
                    + (after == null ? "-" : after);
        }
    }
}
