package com.nq.odbc;

import java.util.ArrayList;
import java.util.Collections;
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

    DriverUsage(String[] parts) {
        this.usageCount = Integer.parseInt(parts[0]);
        this.installed = parts[1].equals("1");
        List<String> removed = new ArrayList<String>();
        List<String> left = new ArrayList<String>();
        for (int i = 2; i < parts.length; i++) {
            (parts[i].startsWith("-") ? removed : left).add(parts[i].substring(1));
        }
        this.removedDataSources = Collections.unmodifiableList(removed);
        this.dataSourcesLeft = Collections.unmodifiableList(left);
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
