package com.nq.odbc;

import java.util.AbstractMap;
import java.util.AbstractSet;
import java.util.ArrayList;
import java.util.Collections;
import java.util.HashMap;
import java.util.Iterator;
import java.util.List;
import java.util.Map;
import java.util.Set;

/**
 * The entries of a data source as ODBC reads them: in file order, looked up
 * with ASCII letter case ignored; of a key given twice, only the first entry
 * counts, as unixODBC's profile functions (and so the drivers) read it.
 * Unmodifiable.
 */
final class Entries extends AbstractMap<String, String> {
    static final Entries NONE = new Entries(new String[0]);

    private final List<Map.Entry<String, String>> entries;
    private final Map<String, Integer> positions;

    /** Keys and values by turns. */
    Entries(String[] keysAndValues) {
        List<Map.Entry<String, String>> list = new ArrayList<Map.Entry<String, String>>(keysAndValues.length / 2);
        Map<String, Integer> index = new HashMap<String, Integer>();
        for (int i = 0; i + 1 < keysAndValues.length; i += 2) {
            Map.Entry<String, String> entry =
                    new AbstractMap.SimpleImmutableEntry<String, String>(keysAndValues[i], keysAndValues[i + 1]);
            if (!index.containsKey(fold(entry.getKey()))) {
                index.put(fold(entry.getKey()), list.size());
                list.add(entry);
            }
        }
        this.entries = Collections.unmodifiableList(list);
        this.positions = index;
    }

    /** The key with ASCII capitals made small, as ODBC compares keywords. */
    static String fold(String key) {
        char[] folded = key.toCharArray();
        for (int i = 0; i < folded.length; i++) {
            if (folded[i] >= 'A' && folded[i] <= 'Z') {
                folded[i] += 'a' - 'A';
            }
        }
        return new String(folded);
    }

    @Override
    public String get(Object key) {
        Integer position = key instanceof String ? positions.get(fold((String) key)) : null;
        return position == null ? null : entries.get(position).getValue();
    }

    @Override
    public boolean containsKey(Object key) {
        return key instanceof String && positions.containsKey(fold((String) key));
    }

    @Override
    public Set<Map.Entry<String, String>> entrySet() {
        return new AbstractSet<Map.Entry<String, String>>() {
            @Override
            public Iterator<Map.Entry<String, String>> iterator() {
                return entries.iterator();
            }

            @Override
            public int size() {
                return entries.size();
            }
        };
    }
}
