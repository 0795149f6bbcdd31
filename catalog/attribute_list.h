// The scan of a driver's attribute list, as SQLDrivers returns it: pairs of
// the form keyword=value, each ended by a NUL, the list ended by an empty pair.
#pragma once

#include <string_view>

namespace rireve {

// Calls onPair(key, value) for every entry the list yields, in order, until
// it returns false. Both are runs of the list's own bytes.
//
// The rules, as the driver manager's lists have always been read here:
// every "=" ends a key, so a=b=c yields b with c; a pair without "=" yields
// its text as the value of the previous pair's key, and is skipped while no
// key has been read. The scan never reads past the list: a list that lacks
// its closing empty pair is taken up to its end, as if it were terminated.
template <typename OnPair>
void scanAttributeList(std::string_view list, OnPair&& onPair) {
    auto byteAt = [list](std::size_t i) { return i < list.size() ? list[i] : '\0'; };
    std::string_view key;
    bool haveKey = false;
    std::size_t start = 0;
    std::size_t i = 0;
    for (;; ++i) {
        const char c = byteAt(i);
        if (c == '\0' && byteAt(i + 1) == '\0') break;
        if (c == '=') {
            key = list.substr(start, i - start);
            haveKey = true;
            start = i + 1;
        } else if (c == '\0') {
            if (haveKey && !onPair(key, list.substr(start, i - start))) return;
            start = i + 1;
        }
    }
    if (haveKey) onPair(key, list.substr(start, i - start));
}

}  // namespace rireve
