// What the listings show of the configuration files on Linux: the drivers as
// SQLDrivers lists them and the data sources as SQLDataSources lists them,
// but every one of them, from one read of the files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "profile/profile.h"

namespace rireve {

struct ListedDriver {
    std::string_view description;
    // The section the attributes come from: the first of that name, letter
    // case ignored, as the driver manager looks it up.
    const ProfileSection* attributes;
};

struct ListedDataSource {
    std::string_view name;
    // The Driver entry of the first section of that name, letter case
    // ignored, or when that is empty its Description entry.
    std::string_view driver;
};

// Every section of the driver file but the driver manager's own [ODBC].
std::vector<ListedDriver> listDriverSections(const Profile& drivers);

// The user file's sections, then those of the system file whose name no
// earlier section has, letter case ignored; [ODBC Data Sources] is left out.
std::vector<ListedDataSource> listDataSourceSections(const Profile& user, const Profile& system);

// The section's entries as an SQLDrivers attribute list: KEY=VALUE pairs,
// each ended by a NUL, the list by one more. Never cut short.
std::string attributeListOf(const ProfileSection& section);

// The first listed driver whose description has exactly these bytes.
const ListedDriver* findListedDriver(const std::vector<ListedDriver>& drivers, std::string_view description);

}  // namespace rireve
