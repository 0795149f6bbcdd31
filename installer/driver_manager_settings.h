// The driver manager's own settings, read and changed as plain requests. One
// implementation file per platform.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "installer/installer.h"
#include "profile/profile.h"

namespace rireve {

// The driver manager's own settings ([ODBC] of the system's driver file on
// Linux, the ODBC section of the user's ODBC.INI on Windows): where they
// are, their entries, and a file that may override them (empty when none).
struct DriverManagerSettings {
    std::string path;
    Entries entries;
    std::string overriddenBy;
};

Outcome readDriverManagerSettings(DriverManagerSettings& settings);
Outcome configureDriverManager(const std::vector<EntryEdit>& edits, const RequestOptions& options);

}  // namespace rireve
