package com.nq.odbc;

import java.util.List;

/**
 * What applying a state did ({@link ODBC#apply(String, boolean, boolean)}):
 * whether anything changed, the changes, and, when a file could not be
 * written, why and which files written before it were put back. Immutable.
 */
public final class ConfigurationApplied {
    private final boolean changed;
    private final List<ConfigurationPlan.Change> changes;
    private final List<String> restoredFiles;
    private final String failure;

    /** Its record: whether it changed, the changes, the files put back, the failure (a flag, then the text). */
    ConfigurationApplied(Record record) {
        this.changed = record.flag();
        this.changes = ConfigurationPlan.Change.list(record);
        this.restoredFiles = record.texts();
        this.failure = record.flag() ? record.text() : null;
    }

    /**
     * Whether the configuration changed; with a check, whether it would.
     *
     * @return false when the machine was in the state already, or nothing was
     *     kept of a failed apply
     */
    public boolean isChanged() {
        return changed;
    }

    /**
     * The changes made (with a check, those that would be made); of a failed
     * apply, those planned.
     *
     * @return the changes, unmodifiable
     */
    public List<ConfigurationPlan.Change> getChanges() {
        return changes;
    }

    /**
     * The files written before the one that failed, put back byte for byte
     * as they were (Linux; on Windows the registry's changes stay made).
     *
     * @return the files, unmodifiable; empty when nothing failed
     */
    public List<String> getRestoredFiles() {
        return restoredFiles;
    }

    /**
     * Why the changes stopped: the file that could not be written, and why.
     *
     * @return the reason, or null when every change was made
     */
    public String getFailure() {
        return failure;
    }

    @Override
    public String toString() {
        return (changed ? "changed " : "unchanged ") + changes
                + (failure == null ? "" : ", failed: " + failure + ", restored " + restoredFiles);
    }
}
