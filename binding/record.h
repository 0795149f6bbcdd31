// What a native hands Java: one array of UTF-16 units holding, in the order
// the Java side reads them (com.nq.odbc.Record), numbers (two units, the high
// one first), flags (one unit) and texts (their length in units as a number,
// then their units, decoded from the platform's byte form). Numbers and flags
// are never written as text, and every value class reads its own record.
#pragma once

#include <jni.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rireve {

class Record {
public:
    void number(std::int32_t value);
    void flag(bool value) { units_.push_back(value ? 1 : 0); }
    // A text of any length.
    void text(std::string_view bytes);
    // A text as the driver manager hands one over: up to its first NUL, and
    // at most a text buffer's bytes.
    void bufferText(std::string_view bytes);
    // A count, then each text.
    void texts(const std::vector<std::string>& texts);
    // A count, then keys and values by turns.
    template <typename Pairs, typename Key, typename Value>
    void pairs(const Pairs& pairs, Key key, Value value) {
        number(static_cast<std::int32_t>(pairs.size()));
        for (const auto& pair : pairs) {
            text(key(pair));
            text(value(pair));
        }
    }
    void reserve(std::size_t units) { units_.reserve(units); }

    // The units as a char[], or null with an exception pending.
    jcharArray toJava(JNIEnv* env) const;

private:
    std::vector<char16_t> units_;
};

// Entries as keys and values by turns.
template <typename Entries>
void writeEntries(Record& record, const Entries& entries) {
    record.pairs(entries, [](const auto& entry) -> std::string_view { return entry.first; },
                 [](const auto& entry) -> std::string_view { return entry.second; });
}

}  // namespace rireve
