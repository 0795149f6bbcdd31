#include "catalog/records.h"

namespace rireve {

// An entry with an empty key names nothing a driver could look up, and would
// end the driver manager's list of keys early (its names are NUL-separated):
// it is passed over, and the entries after it, which drivers do read, stay.
std::vector<Pair> pairsOf(const std::vector<ProfileEntry>& entries) {
    std::vector<Pair> pairs;
    pairs.reserve(entries.size());
    for (const ProfileEntry& entry : entries) {
        if (!entry.key.empty()) pairs.push_back({entry.key, entry.value});
    }
    return pairs;
}

std::vector<Pair> driverListPairsOf(const std::vector<ProfileEntry>& entries) {
    std::vector<Pair> pairs;
    pairs.reserve(entries.size());
    for (const ProfileEntry& entry : entries) {
        if (entry.key.empty()) continue;
        const std::string_view value = entry.value;
        const std::size_t last = value.rfind('=');
        if (last == std::string_view::npos) {
            pairs.push_back({entry.key, value});
            continue;
        }
        // The key is what stands between the last two "=" of KEY=VALUE.
        const std::size_t before = last == 0 ? std::string_view::npos : value.rfind('=', last - 1);
        const std::size_t start = before == std::string_view::npos ? 0 : before + 1;
        pairs.push_back({value.substr(start, last - start), value.substr(last + 1)});
    }
    return pairs;
}

}  // namespace rireve
