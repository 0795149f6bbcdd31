package com.nq.odbc;

import java.util.Map;

/** A driver's attributes: keys looked up exactly, in the order given, unmodifiable. */
final class AttributeMap extends ArrayMap {
    AttributeMap(Map<String, String> attributes) {
        super(new String[attributes.size()], new String[attributes.size()]);
        int i = 0;
        for (Map.Entry<String, String> entry : attributes.entrySet()) {
            keys[i] = entry.getKey();
            values[i++] = entry.getValue();
        }
    }

    /** A copy of another: equal, and no array shared. */
    AttributeMap(AttributeMap other) {
        super(other.keys.clone(), other.values.clone());
    }

    @Override
    int find(String key) {
        for (int i = 0; i < keys.length; i++) {
            if (key.equals(keys[i])) {
                return i;
            }
        }
        return -1;
    }
}
