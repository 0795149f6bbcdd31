#include "catalog/configuration.h"

#include <cstdlib>

#include "catalog/name_table.h"
#include "platform/driver_manager.h"

namespace rireve {
namespace {

std::string_view descriptionOf(const ProfileSection& section) {
    const std::string* driver = findValue(section, "Driver");
    if (driver != nullptr && !driver->empty()) return *driver;
    const std::string* description = findValue(section, "Description");
    return description != nullptr ? std::string_view(*description) : std::string_view();
}

// An empty name would end the driver manager's list of names early; it names
// nothing that could be looked up, so it is passed over and the list goes on.
bool listable(const ProfileSection& section, std::string_view reserved) {
    return !section.name.empty() && !sameProfileName(section.name, reserved);
}

bool isDriver(const ProfileSection& section) { return listable(section, driverManager().settingsSection); }

// The settings section (Trace, TraceFile): unixODBC lists it as a data
// source, which it is not; nor is the index of data sources.
bool isDataSource(const ProfileSection& section) {
    const DriverManager& manager = driverManager();
    return listable(section, manager.dataSourceIndex) && !sameProfileName(section.name, manager.settingsSection);
}

}  // namespace

std::vector<ListedDriver> listDriverSections(const Profile& system, const Profile& user) {
    FirstOfName firstOfName(system.size() + user.size());
    std::vector<ListedDriver> listed;
    listed.reserve(system.size() + user.size());
    for (const ProfileSection& section : system) {
        const ProfileSection* first = firstOfName.add(section);
        if (isDriver(section)) listed.push_back({section.name, first});
    }
    for (const ProfileSection& section : user) {
        bool added = false;
        firstOfName.add(section, &added);
        if (added && isDriver(section)) listed.push_back({section.name, &section});
    }
    return listed;
}

DataSourceSearch dataSourceSearch(const char* odbcSearch) {
    const DataSourceSearchRules& rules = driverManager().search;
    const std::string_view search = odbcSearch != nullptr ? odbcSearch : "";
    if (search == rules.userOnly) return DataSourceSearch::user;
    if (search == rules.systemOnly) return DataSourceSearch::system;
    return DataSourceSearch::both;
}

DataSourceSearch dataSourceSearch() { return dataSourceSearch(std::getenv(driverManager().search.variable)); }

namespace {

std::vector<ListedDataSource> listOneFile(const Profile& file) {
    FirstOfName firstOfName(file.size());
    std::vector<ListedDataSource> listed;
    listed.reserve(file.size());
    for (const ProfileSection& section : file) {
        const ProfileSection* first = firstOfName.add(section);
        if (isDataSource(section)) listed.push_back({section.name, descriptionOf(*first)});
    }
    return listed;
}

}  // namespace

std::vector<ListedDataSource> listDataSourceSections(const Profile& user, const Profile& system,
                                                     DataSourceSearch search) {
    if (search == DataSourceSearch::user) return listOneFile(user);
    if (search == DataSourceSearch::system) return listOneFile(system);
    FirstOfName firstOfName(user.size() + system.size());
    std::vector<ListedDataSource> listed;
    listed.reserve(user.size() + system.size());
    for (const ProfileSection& section : user) {
        const ProfileSection* first = firstOfName.add(section);
        if (isDataSource(section)) listed.push_back({section.name, descriptionOf(*first)});
    }
    for (const ProfileSection& section : system) {
        bool added = false;
        firstOfName.add(section, &added);
        if (added && isDataSource(section)) listed.push_back({section.name, descriptionOf(section)});
    }
    return listed;
}

namespace {

void listFirstOfEach(const Profile& file, Scope scope, std::vector<ScopedSection>& listed) {
    FirstOfName firstOfName(file.size());
    for (const ProfileSection& section : file) {
        bool added = false;
        if (isDataSource(section)) firstOfName.add(section, &added);
        if (added) listed.push_back({&section, scope, descriptionOf(section)});
    }
}

}  // namespace

std::vector<ScopedSection> listScopedSections(const Profile& user, const Profile& system, int scopes) {
    std::vector<ScopedSection> listed;
    listed.reserve(user.size() + system.size());
    if (covers(scopes, Scope::user)) listFirstOfEach(user, Scope::user, listed);
    if (covers(scopes, Scope::system)) listFirstOfEach(system, Scope::system, listed);
    return listed;
}

const ListedDriver* findListedDriver(const std::vector<ListedDriver>& drivers, std::string_view description) {
    for (const ListedDriver& driver : drivers) {
        if (driver.description == description) return &driver;
    }
    return nullptr;
}

}  // namespace rireve
