// What the listings show of the configuration files on Linux: the drivers as
// SQLDrivers lists them and the data sources as SQLDataSources lists them,
// but every one of them, from one read of the files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalog/scope.h"
#include "profile/profile.h"

namespace rireve {

// The section of the driver manager's own settings, which its listing calls
// hand back as a data source (the driver-manager catalogue passes over it;
// the files' listing takes its sections from platform/driver_manager.h).
inline constexpr char kDriverManagerSection[] = "ODBC";

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

// Every section of the system's driver file but the driver manager's own
// settings ([ODBC]), then each section of the user's ($HOME/.odbcinst.ini) whose name
// no earlier section has, letter case ignored.
std::vector<ListedDriver> listDriverSections(const Profile& system, const Profile& user = {});

// Which data sources the driver manager lists: by its variable's value
// (unixODBC: ODBCSEARCH's ODBC_USER_DSN or ODBC_SYSTEM_DSN), both otherwise.
enum class DataSourceSearch { both, user, system };
DataSourceSearch dataSourceSearch(const char* odbcSearch);
// The same by the variable as this process has it.
DataSourceSearch dataSourceSearch();

// The user file's sections, then those of the system file whose name no
// earlier section has, letter case ignored; the driver manager's own
// sections ([ODBC Data Sources], [ODBC]) are left out.
// Searching one file alone (or the system's when the user's is there but
// cannot be read), every section of it is listed, repeated names too, each
// with the driver of the first of its name in that file.
std::vector<ListedDataSource> listDataSourceSections(const Profile& user, const Profile& system,
                                                     DataSourceSearch search = DataSourceSearch::both);

struct ScopedSection {
    const ProfileSection* section;
    Scope scope;
    // Its Driver entry, or when that is empty its Description entry.
    std::string_view driver;
};

// The first section of each name (letter case ignored) of the user's file,
// then of the system's, for the scopes covered; [ODBC Data Sources] and
// [ODBC] are left out. A system section of a name that the user's file has
// too is listed as well.
std::vector<ScopedSection> listScopedSections(const Profile& user, const Profile& system, int scopes);

// The first listed driver whose description has exactly these bytes.
const ListedDriver* findListedDriver(const std::vector<ListedDriver>& drivers, std::string_view description);

}  // namespace rireve
