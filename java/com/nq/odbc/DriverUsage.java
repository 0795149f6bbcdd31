package com.nq.odbc;

import java.util.List;

/**
 * What installing or removing a driver left: its usage count, whether it is
 * still installed, the data sources removed with it, and those still using
 * it. Immutable.
 */
public final class DriverUsage {
    private final int usageCount;
    private final boolean installed;
    private final List<String> removedDataSources;
    private final List<String> dataSourcesLeft;

    /** Its record: the usage count, whether the driver is installed, the data sources removed and left. */
    DriverUsage(Record record) {
        this.usageCount = record.number();
        this.installed = record.flag();
        this.removedDataSources = record.texts();
        this.dataSourcesLeft = record.texts();
    }

    /**
     * The driver's {@code UsageCount} now.
     *
     * @return the count; 0 once the last use is removed
     */
    public int getUsageCount() {
        return usageCount;
    }

    /**
     * Whether the driver is still installed: after a removal, because other
     * uses remain or data sources still use it.
     *
     * @return true when its section is still there
     */
    public boolean isInstalled() {
        return installed;
    }

    /**
     * The data sources removed with the driver, each as {@code name (scope)}.
     *
     * @return the names, unmodifiable
     */
    public List<String> getRemovedDataSources() {
        return removedDataSources;
    }

    /**
     * The data sources that still use the driver after its last use was
     * removed, each as {@code name (scope)}: the driver stays for them.
     *
     * @return the names, unmodifiable
     */
    public List<String> getDataSourcesLeft() {
        return dataSourcesLeft;
    }

    @Override
    public String toString() {
        return "usage count " + usageCount + (installed ? ", installed" : ", removed")
                + (removedDataSources.isEmpty() ? "" : ", data sources removed " + removedDataSources)
                + (dataSourcesLeft.isEmpty() ? "" : ", still used by " + dataSourcesLeft);
    }
}
