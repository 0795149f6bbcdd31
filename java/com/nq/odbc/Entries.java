package com.nq.odbc;

import java.util.HashMap;
import java.util.Map;

/**
 * The entries of a data source as ODBC reads them: in file order, looked up
 * with ASCII letter case ignored; of a key given twice, only the first entry
 * counts, as unixODBC's profile functions (and so the drivers) read it.
 * Unmodifiable. A listing makes one per data source, so a short one keeps
 * two arrays and compares keys in place; only a long one gets a hash table.
 */
final class Entries extends ArrayMap {
    static final Entries NONE = new Entries(new String[0]);

    private static final int LONGEST_SCANNED = 16;

    /** Folded key to position, for a long list only. */
    private final Map<String, Integer> index;

    /** Keys and values by turns. */
    Entries(String[] keysAndValues) {
        this(new Kept(keysAndValues));
    }

    private Entries(Kept kept) {
        super(kept.keys, kept.values);
        this.index = kept.index;
    }

    /** The first entry of each key, and the index of a long list. */
    private static final class Kept {
        final String[] keys;
        final String[] values;
        final Map<String, Integer> index;

        Kept(String[] keysAndValues) {
            String[] kept = new String[keysAndValues.length / 2];
            String[] keptValues = new String[kept.length];
            index = kept.length > LONGEST_SCANNED ? new HashMap<String, Integer>() : null;
            int size = 0;
            for (int i = 0; i + 1 < keysAndValues.length; i += 2) {
                String folded = index == null ? null : fold(keysAndValues[i]);
                if (index != null ? index.containsKey(folded) : find(kept, size, keysAndValues[i]) >= 0) {
                    continue;
                }
                if (index != null) {
                    index.put(folded, size);
                }
                kept[size] = keysAndValues[i];
                keptValues[size++] = keysAndValues[i + 1];
            }
            this.keys = size == kept.length ? kept : java.util.Arrays.copyOf(kept, size);
            this.values = size == kept.length ? keptValues : java.util.Arrays.copyOf(keptValues, size);
        }
    }

    /** Whether two keys are equal with ASCII letter case ignored, as ODBC compares keywords. */
    /** The value of the first key of the map equal to {@code key}, ASCII letter case ignored; or null. */
    static String valueIgnoringCase(java.util.Map<String, String> entries, String key) {
        for (java.util.Map.Entry<String, String> entry : entries.entrySet()) {
            if (sameKeyword(entry.getKey(), key)) {
                return entry.getValue();
            }
        }
        return null;
    }

    static boolean sameKeyword(String a, String b) {
        if (a.length() != b.length()) {
            return false;
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

    @Override
    int find(String key) {
        if (index == null) {
            return find(keys, keys.length, key);
        }
        Integer position = index.get(fold(key));
        return position == null ? -1 : position;
    }

    private static int find(String[] keys, int size, String key) {
        for (int i = 0; i < size; i++) {
            if (sameKeyword(keys[i], key)) {
                return i;
            }
        }
        return -1;
    }
}
