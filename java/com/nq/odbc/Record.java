package com.nq.odbc;

import java.util.ArrayList;
import java.util.Collections;
import java.util.HashMap;
import java.util.List;
import java.util.Map;

/**
 * What the native library hands over: one array of UTF-16 units holding, in
 * the order it wrote them, numbers (two units, the high one first), flags
 * (one unit) and texts (their length in units as a number, then the units).
 * Each value class reads its own record from it; nothing in it is a number
 * or a flag written as text.
 */
final class Record {
    private final char[] units;
    private int at;
    /** Texts read with {@link #sharedText()}, so that equal keys share one string. */
    private Map<String, String> shared;

    Record(char[] units) {
        this.units = units;
    }

    int number() {
        int value = units[at] << 16 | units[at + 1];
        at += 2;
        return value;
    }

    boolean flag() {
        return units[at++] != 0;
    }

    String text() {
        int length = number();
        String text = new String(units, at, length);
        at += length;
        return text;
    }

    /** A text equal to one read before with this method is that same string. */
    String sharedText() {
        String text = text();
        if (shared == null) {
            shared = new HashMap<String, String>();
        }
        String earlier = shared.putIfAbsent(text, text);
        return earlier == null ? text : earlier;
    }

    /** A count, then that many texts. */
    List<String> texts() {
        int count = number();
        List<String> texts = new ArrayList<String>(count);
        for (int i = 0; i < count; i++) {
            texts.add(text());
        }
        return Collections.unmodifiableList(texts);
    }

    /** A count of pairs, then their keys and values by turns; keys shared. */
    String[] keysAndValues() {
        String[] keysAndValues = new String[2 * number()];
        for (int i = 0; i < keysAndValues.length; i += 2) {
            keysAndValues[i] = sharedText();
            keysAndValues[i + 1] = text();
        }
        return keysAndValues;
    }
}
