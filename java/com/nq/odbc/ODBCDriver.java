package com.nq.odbc;

import java.util.HashMap;
import java.util.Map;

/**
 * One installed ODBC driver: the description under which it is installed and
 * the keyword=value attributes of its driver manager entry.
 *
 * <p>Instances are immutable and safe to share between threads.
 */
public final class ODBCDriver {
    private final String description;
    private final Map<String, String> attributes;

    /**
     * Creates a driver. The native library builds drivers through this
     * constructor; the map is copied, so later changes to it are not seen.
     *
     * @param description the driver's description, as the driver manager lists it
     * @param attributes the driver's attributes; null stands for none
     */
    public ODBCDriver(String description, HashMap<String, String> attributes) {
        this.description = description;
        this.attributes = Entries.copyOf(attributes);
    }

    /** A driver equal to another: an object of its own, sharing the unmodifiable map. */
    ODBCDriver(ODBCDriver other) {
        this.description = other.description;
        this.attributes = other.attributes;
    }

    /** The drivers of the native listing's record, a vanished one as null. */
    static ODBCDriver[] listed(char[] units) {
        Record record = new Record(units);
        ODBCDriver[] drivers = new ODBCDriver[record.number()];
        for (int i = 0; i < drivers.length; i++) {
            drivers[i] = record.flag() ? read(record) : null;
        }
        return drivers;
    }

    /**
     * A driver's record: its description and its attributes, put into a
     * {@code HashMap} in the driver manager's order (a later key replacing
     * an earlier one of exactly the same letters).
     */
    static ODBCDriver read(Record record) {
        String description = record.text();
        int count = record.number();
        HashMap<String, String> attributes = new HashMap<String, String>();
        for (int i = 0; i < count; i++) {
            String key = record.sharedText();
            attributes.put(key, record.text());
        }
        return new ODBCDriver(description, attributes);
    }

    /**
     * Returns the driver's description: the name under which it is installed
     * and the name that registration expects.
     *
     * @return the description
     */
    public String getDescription() {
        return description;
    }

    /**
     * Returns the driver's attributes, such as {@code Driver} (its library)
     * and {@code Setup}.
     *
     * @return an unmodifiable map, never null, whose lookups ignore ASCII
     *     letter case as the driver manager does (a key of exactly the
     *     letters asked for first)
     */
    public Map<String, String> getAttributes() {
        return attributes;
    }

    /**
     * Returns one attribute of the driver. ODBC keywords ignore letter case
     * (ASCII letters, as the driver manager compares them): a keyword given
     * exactly is found first, else one that differs from it only in case.
     *
     * @param keyword the attribute's keyword, such as {@code Driver} or {@code driver}
     * @return its value, or null when the driver has no such attribute
     */
    public String getAttribute(String keyword) {
        return attributes.get(keyword);
    }

    static boolean sameKeyword(String a, String b) {
        return Entries.sameKeyword(a, b);
    }

    @Override
    public boolean equals(Object other) {
        if (this == other) {
            return true;
        }
        if (!(other instanceof ODBCDriver)) {
            return false;
        }
        ODBCDriver that = (ODBCDriver) other;
        return equal(description, that.description) && attributes.equals(that.attributes);
    }

    @Override
    public int hashCode() {
        return 31 * (description == null ? 0 : description.hashCode()) + attributes.hashCode();
    }

    @Override
    public String toString() {
        return "ODBCDriver[" + description + ", " + attributes + "]";
    }

    static boolean equal(Object a, Object b) {
        return a == null ? b == null : a.equals(b);
    }
}
