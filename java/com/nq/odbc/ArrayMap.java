package com.nq.odbc;

import java.util.AbstractMap;
import java.util.AbstractSet;
import java.util.Iterator;
import java.util.Map;
import java.util.NoSuchElementException;
import java.util.Set;

/**
 * An unmodifiable map of texts kept in two arrays, in order: a listing makes
 * one per data source or driver, where a hash table each would cost more
 * than the few keys they hold. Subclasses say how a key is found.
 */
abstract class ArrayMap extends AbstractMap<String, String> {
    final String[] keys;
    final String[] values;

    ArrayMap(String[] keys, String[] values) {
        this.keys = keys;
        this.values = values;
    }

    /** The position of the key, or -1. */
    abstract int find(String key);

    @Override
    public String get(Object key) {
        int position = key instanceof String ? find((String) key) : -1;
        return position < 0 ? null : values[position];
    }

    @Override
    public boolean containsKey(Object key) {
        return key instanceof String && find((String) key) >= 0;
    }

    @Override
    public int size() {
        return keys.length;
    }

    @Override
    public Set<Map.Entry<String, String>> entrySet() {
        return new AbstractSet<Map.Entry<String, String>>() {
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

            @Override
            public int size() {
                return keys.length;
            }
        };
    }
}
