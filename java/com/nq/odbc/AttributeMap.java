package com.nq.odbc;

import java.util.AbstractMap;
import java.util.AbstractSet;
import java.util.Iterator;
import java.util.Map;
import java.util.NoSuchElementException;
import java.util.Set;

/**
 * A driver's attributes: keys looked up exactly, in the order given,
 * unmodifiable. Two arrays rather than a hash table, since a listing gives
 * every data source a driver object with a map of its own.
 */
final class AttributeMap extends AbstractMap<String, String> {
    private final String[] keys;
    private final String[] values;

    AttributeMap(Map<String, String> attributes) {
        keys = new String[attributes.size()];
        values = new String[keys.length];
        int i = 0;
        for (Map.Entry<String, String> entry : attributes.entrySet()) {
            keys[i] = entry.getKey();
            values[i++] = entry.getValue();
        }
    }

    /** A copy of another: equal, and no array shared. */
    AttributeMap(AttributeMap other) {
        keys = other.keys.clone();
        values = other.values.clone();
    }

    @Override
    public int size() {
        return keys.length;
    }

    @Override
    public boolean containsKey(Object key) {
        return indexOf(key) >= 0;
    }

    @Override
    public String get(Object key) {
        int i = indexOf(key);
        return i < 0 ? null : values[i];
    }

    private int indexOf(Object key) {
        for (int i = 0; i < keys.length; i++) {
            if (keys[i] == null ? key == null : keys[i].equals(key)) {
                return i;
            }
        }
        return -1;
    }

    @Override
    public Set<Map.Entry<String, String>> entrySet() {
        return new AbstractSet<Map.Entry<String, String>>() {
            @Override
            public int size() {
                return keys.length;
            }

            @Override
            public Iterator<Map.Entry<String, String>> iterator() {
                return new Iterator<Map.Entry<String, String>>() {
                    private int next;

                    @Override
                    public boolean hasNext() {
                        return next < keys.length;
                    }

                    @Override
                    public Map.Entry<String, String> next() {
                        if (next >= keys.length) {
                            throw new NoSuchElementException();
                        }
                        int i = next++;
                        return new AbstractMap.SimpleImmutableEntry<String, String>(keys[i], values[i]);
                    }
                };
            }
        };
    }
}
