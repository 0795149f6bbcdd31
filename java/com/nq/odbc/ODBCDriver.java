package com.nq.odbc;

import java.util.Collections;
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
        this.attributes = attributes == null || attributes.isEmpty()
                ? Collections.<String, String>emptyMap()
                : new AttributeMap(attributes);
    }

    /** A driver equal to another, with a map of its own. */
    ODBCDriver(ODBCDriver other) {
        this.description = other.description;
        this.attributes = other.attributes.isEmpty()
                ? Collections.<String, String>emptyMap()
                : new AttributeMap((AttributeMap) other.attributes);
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
     * @return an unmodifiable map, never null
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
        String exact = attributes.get(keyword);
        if (exact != null || keyword == null) {
            return exact;
        }
        for (Map.Entry<String, String> entry : attributes.entrySet()) {
            if (sameKeyword(entry.getKey(), keyword)) {
                return entry.getValue();
            }
        }
        return null;
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
