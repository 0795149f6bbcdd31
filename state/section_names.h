// The names the driver manager gives its own sections and keys: from its
// table on Linux (platform/driver_manager.h), the installer's fixed ones on
// Windows. One implementation file per platform.
#pragma once

#include <string_view>

namespace rireve {

std::string_view settingsSectionName();  // the driver manager's settings: [ODBC]
std::string_view usageCountKeyName();    // a driver's count of installations

// Its settings or its index of data sources ([ODBC Data Sources]): no
// data source, and never pruned.
bool isDriverManagerSection(std::string_view name);

}  // namespace rireve
