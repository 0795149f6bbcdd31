// Installed drivers: a driver's installation with its usage count, its
// removal and the edits of its entries, each a plain request that says which
// step failed, and why. One implementation file per platform: on Linux the
// library's own writer, on Windows the installer library.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalog/scope.h"
#include "installer/installer.h"
#include "profile/profile.h"

namespace rireve {

struct DriverInstall {
    std::string name;
    Entries entries;  // in order; Driver names the library
    Scope scope = Scope::system;
    bool replace = false;
};

// What an installation or removal left: the usage count, whether the driver
// is still installed, the data sources removed with it, and those still
// using it (each "name (scope)").
struct DriverUsage {
    long usageCount = 0;
    bool installed = false;
    std::vector<std::string> removedDataSources;
    std::vector<std::string> dataSourcesLeft;
};

// Adds the driver, or counts one more use of it: the same library adds one
// to its UsageCount and changes nothing else, unless replacement is asked
// for; another library is refused unless it is.
Outcome installDriver(const DriverInstall& request, const RequestOptions& options, DriverUsage& usage);

// Counts one use less; at none the driver goes, unless data sources still
// use it: those go too when asked (in every scope this process may change),
// and otherwise the driver stays with a count of 0.
Outcome removeDriver(std::string_view name, Scope scope, bool removeDataSources, const RequestOptions& options,
                     DriverUsage& usage);

Outcome configureDriver(std::string_view name, Scope scope, const std::vector<EntryEdit>& edits,
                        const RequestOptions& options);

// The drivers that the listing takes from the user's driver file, by name
// (none on Windows, whose drivers are the machine's).
Outcome listUserDrivers(std::vector<std::string>& names);

}  // namespace rireve
