// Installed drivers and the rest of what the configuration holds beside data
// sources: a driver's installation with its usage count, its removal and
// the edits of its entries; the driver manager's own settings; file data
// sources. Each a plain request that says which step failed, and why. One
// implementation file per platform: on Linux the library's own writer, on
// Windows the installer library.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalog/scope.h"
#include "installer/installer.h"
#include "profile/profile.h"

namespace rireve {

using Entries = std::vector<std::pair<std::string, std::string>>;

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

// A file data source: its path and the entries of its [ODBC] section.
struct FileDataSource {
    std::string path;
    Entries entries;
};

// The folder file data sources are kept in by default.
Outcome findFileDataSourceFolder(std::string& folder);
// Where a path of a file data source leads: a full path as it is; a name in
// the default folder, never out of it, with .dsn added when it lacks it.
Outcome resolveFileDataSourcePath(std::string_view given, std::string& path);
// The rule both platforms share: a name given relative to `folder` stays in
// it (no ".." part among those `separators` divide), joined with `separator`,
// .dsn added when it lacks it.
Outcome placeInFolder(std::string_view given, const std::string& folder, std::string_view separators, char separator,
                      std::string& path);
bool endsWithDsn(std::string_view name);

// Every *.dsn file of the folder (the default one when empty), by name.
Outcome listFileDataSources(const std::string& folder, std::vector<FileDataSource>& found);
Outcome readFileDataSource(const std::string& path, FileDataSource& found);
// Makes the file's [ODBC] section hold exactly these entries, every other
// byte kept; a new file when there is none.
Outcome writeFileDataSource(const std::string& path, const Entries& entries, const RequestOptions& options);
Outcome removeFileDataSource(const std::string& path, const RequestOptions& options);

}  // namespace rireve
