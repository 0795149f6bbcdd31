package com.nq.odbc;

import java.util.AbstractMap;
import java.util.AbstractSet;
import java.util.Arrays;
import java.util.HashMap;
import java.util.Iterator;
import java.util.Map;
import java.util.NoSuchElementException;
import java.util.Set;

/**
 * The one map of keys and values that every value class hands out: the
 * entries of a data source, a file data source or the driver manager's
 * settings, and a driver's attributes. Unmodifiable, iterated in the order it
 * was made in, and looked up as the driver manager looks keys up: ASCII
 * letter case ignored; where several keys match, one of exactly the letters
 * asked for first, else the first. A listing makes one per data source, so
 * a short one keeps two arrays and compares keys in place; only a long one
 * gets a hash table.
 */
final class Entries extends AbstractMap<String, String> {
    static final Entries NONE = new Entries(new String[0], new String[0], true);

    private static final int LONGEST_SCANNED = 16;

    private final String[] keys;
    private final String[] values;
    /** Whether no two keys are equal with letter case ignored. */
    private final boolean distinct;
    /** Folded key to position, for a long list of distinct keys only. */
    private final Map<String, Integer> index;

    private Entries(String[] keys, String[] values, boolean distinct) {
        this.keys = keys;
        this.values = values;
        this.distinct = distinct;
        this.index = distinct && keys.length > LONGEST_SCANNED ? new HashMap<String, Integer>() : null;
        for (int i = 0; index != null && i < keys.length; i++) {
            index.put(fold(keys[i]), i);
        }
    }

    /**
     * Entries as a file holds them, keys and values by turns: of a key given
     * twice (letter case ignored) only the first counts, as unixODBC's
     * profile functions (and so the drivers) read it.
     */
    static Entries firstOfEachKey(String[] keysAndValues) {
        String[] kept = new String[keysAndValues.length / 2];
        String[] keptValues = new String[kept.length];
        Map<String, Boolean> seen = kept.length > LONGEST_SCANNED ? new HashMap<String, Boolean>() : null;
        int size = 0;
        for (int i = 0; i + 1 < keysAndValues.length; i += 2) {
            boolean repeated = seen != null ? seen.put(fold(keysAndValues[i]), Boolean.TRUE) != null
                    : scan(kept, size, keysAndValues[i]) >= 0;
            if (!repeated) {
                kept[size] = keysAndValues[i];
                keptValues[size++] = keysAndValues[i + 1];
            }
        }
        return size == 0 ? NONE : new Entries(Arrays.copyOf(kept, size), Arrays.copyOf(keptValues, size), true);
    }

    /** Every entry of the map, in its iteration order. */
    static Entries copyOf(Map<String, String> map) {
        if (map == null || map.isEmpty()) {
            return NONE;
        }
        if (map instanceof Entries) {
            return (Entries) map;
        }
        String[] keys = new String[map.size()];
        String[] values = new String[keys.length];
        int i = 0;
        for (Map.Entry<String, String> entry : map.entrySet()) {
            keys[i] = entry.getKey();
            values[i++] = entry.getValue();
        }
        return new Entries(keys, values, false);
    }

    static boolean sameKeyword(String a, String b) {
        if (a == null || b == null || a.length() != b.length()) {
            return a == b;
        }
        for (int i = 0; i < a.length(); i++) {
            if (foldAscii(a.charAt(i)) != foldAscii(b.charAt(i))) {
                return false;
            }
        }
        return true;
    }

    private static char foldAscii(char c) {
        return c >= 'A' && c <= 'Z' ? (char) (c + ('a' - 'A')) : c;
    }

    private static String fold(String key) {
        char[] folded = key.toCharArray();
        for (int i = 0; i < folded.length; i++) {
            folded[i] = foldAscii(folded[i]);
        }
        return new String(folded);
    }

    private static int scan(String[] keys, int size, String key) {
        for (int i = 0; i < size; i++) {
            if (sameKeyword(keys[i], key)) {
                return i;
            }
        }
        return -1;
    }

    private int find(Object key) {
        if (!(key instanceof String)) {
            return -1;
        }
        String wanted = (String) key;
        if (index != null) {
            Integer position = index.get(fold(wanted));
            return position == null ? -1 : position;
        }
        if (!distinct) {
            for (int i = 0; i < keys.length; i++) {
                if (wanted.equals(keys[i])) {
                    return i;
                }
            }
        }
        return scan(keys, keys.length, wanted);
    }

    @Override
    public String get(Object key) {
        int position = find(key);
        return position < 0 ? null : values[position];
    }

    @Override
    public boolean containsKey(Object key) {
        return find(key) >= 0;
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
