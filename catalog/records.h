// Drivers and data sources as the listings show them: plain records, which
// the JNI layer alone turns into Java objects. A record's texts point into
// the storage of the Catalog that holds it.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/scope.h"
#include "profile/profile.h"

namespace rireve {

struct Pair {
    std::string_view key;
    std::string_view value;
};

struct DriverRecord {
    std::string_view description;
    // As the driver manager's list gives them; of a key given twice, a map
    // keeps the later.
    std::vector<Pair> attributes;
    // Counted by the driver manager's first pass, gone by its second: listed
    // as a null element.
    bool vanished = false;
};

// No driver of that description is installed.
inline constexpr std::size_t kNoDriver = static_cast<std::size_t>(-1);

struct DataSourceRecord {
    std::string_view name;
    std::size_t driver = kNoDriver;  // its driver, in the catalogue's drivers
    bool vanished = false;           // as for a driver
    // The scoped listing's: where it is configured, the description its
    // Driver entry names (installed or not), and its own entries in order.
    std::optional<Scope> scope;
    std::string_view driverName;
    std::vector<Pair> entries;
};

// One listing's records, with what their texts point into. Moved, never
// copied: the texts stay where they are.
class Catalog {
public:
    Catalog() = default;
    Catalog(Catalog&&) = default;
    Catalog& operator=(Catalog&&) = default;
    Catalog(const Catalog&) = delete;
    Catalog& operator=(const Catalog&) = delete;

    std::vector<DriverRecord> drivers;
    std::vector<DataSourceRecord> dataSources;

    // A copy of the text that lives as long as the catalogue.
    std::string_view keep(std::string_view text) { return texts_.emplace_back(text); }
    // The files read, kept whole: records point into their sections.
    Profile& keepFile() { return files_.emplace_back(); }

private:
    std::deque<std::string> texts_;
    std::deque<Profile> files_;
};

// The entries as pairs, in order.
std::vector<Pair> pairsOf(const std::vector<ProfileEntry>& entries);

// The entries as the driver manager's driver list gives them: its
// KEY=VALUE text, read back with the list's rule that every "=" ends a key,
// makes the value of Key=a=b the entry a=b.
std::vector<Pair> driverListPairsOf(const std::vector<ProfileEntry>& entries);

}  // namespace rireve
