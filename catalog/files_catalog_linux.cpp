// Linux: the catalogue read straight from the configuration files, once per
// call, by the driver manager's rules (platform/driver_manager.h). Each listing sees one snapshot: every
// data source's driver is found in the same read as the data source.
#include <string>
#include <unordered_map>
#include <vector>

#include "catalog/catalog.h"
#include "catalog/configuration.h"
#include "profile/profile.h"

namespace rireve {
namespace {

// Reads the drivers into the catalogue; `byDescription` finds each by its
// exact description.
Status readDrivers(Catalog& catalog, std::unordered_map<std::string_view, std::size_t>& byDescription) {
    Profile& system = catalog.keepFile();
    Profile& user = catalog.keepFile();
    Status read = readDriverFiles(system, user);
    if (!read.ok()) return read;
    const std::vector<ListedDriver> listed = listDriverSections(system, user);
    catalog.drivers.reserve(listed.size());
    for (const ListedDriver& driver : listed) {
        byDescription.emplace(driver.description, catalog.drivers.size());
        catalog.drivers.push_back({driver.description, driverListPairsOf(driver.attributes->entries)});
    }
    return {};
}

std::size_t indexOf(const std::unordered_map<std::string_view, std::size_t>& byDescription,
                    std::string_view description) {
    const auto found = byDescription.find(description);
    return found == byDescription.end() ? kNoDriver : found->second;
}

// The data sources as the driver manager lists them, each with its driver.
// Searching both files, unixODBC reads the user's first and adds the
// system's behind it, by the rules of an added file; a user file that is
// there but cannot be read, or that its reader rejects, leaves the system's
// alone, read and listed as unixODBC reads and lists it on its own.
Status readDataSources(Catalog& catalog, std::vector<ListedDataSource>& listed,
                       std::unordered_map<std::string_view, std::size_t>& byDescription) {
    const std::vector<std::string_view> keys = {"Driver", "Description"};
    DataSourceSearch search = dataSourceSearch();
    ProfileAccess userAccess = ProfileAccess::read;
    Profile& user = catalog.keepFile();
    Profile& system = catalog.keepFile();
    Status read;
    if (search != DataSourceSearch::system) {
        read = readProfileFile(ProfileFile::userDataSources, user, keys, &userAccess);
    }
    const bool userRead = userAccess == ProfileAccess::read || userAccess == ProfileAccess::missing;
    if (search == DataSourceSearch::both && !userRead) search = DataSourceSearch::system;
    const ProfileRules rules = search == DataSourceSearch::both ? ProfileRules::added : ProfileRules::opened;
    if (read.ok() && search != DataSourceSearch::user) {
        read = readProfileFile(ProfileFile::systemDataSources, system, keys, nullptr, rules);
    }
    if (!read.ok()) return read;
    listed = listDataSourceSections(user, system, search);
    return readDrivers(catalog, byDescription);
}

DataSourceRecord recordOf(const ListedDataSource& source,
                          const std::unordered_map<std::string_view, std::size_t>& byDescription) {
    DataSourceRecord record;
    record.name = source.name;
    record.driver = indexOf(byDescription, source.driver);
    return record;
}

// The data sources of the scopes asked for, each with all its entries, and
// the drivers, of one read. A file that is there but cannot be read fails
// the listing with the reason: only the driver manager's own view passes
// over it.
Status readScopedDataSources(Catalog& catalog, int scopes, std::vector<ScopedSection>& listed,
                             std::unordered_map<std::string_view, std::size_t>& byDescription) {
    Profile& user = catalog.keepFile();
    Profile& system = catalog.keepFile();
    Status read;
    if (covers(scopes, Scope::user)) read = readReadableProfileFile(ProfileFile::userDataSources, user);
    if (read.ok() && covers(scopes, Scope::system)) read = readReadableProfileFile(ProfileFile::systemDataSources, system);
    if (!read.ok()) return read;
    listed = listScopedSections(user, system, scopes);
    return readDrivers(catalog, byDescription);
}

DataSourceRecord recordOf(const ScopedSection& listed,
                          const std::unordered_map<std::string_view, std::size_t>& byDescription) {
    DataSourceRecord record;
    record.name = listed.section->name;
    record.driver = indexOf(byDescription, listed.driver);
    record.scope = listed.scope;
    record.driverName = listed.driver;
    record.entries = pairsOf(listed.section->entries);
    return record;
}

// One read of the files on an ODBC environment of its own, as every
// operation of the driver manager's interface runs.
template <typename Read>
Outcome onEnvironment(Read read) {
    return onOdbcEnvironment([&](SQLHENV) { return Outcome::of(read()); });
}

}  // namespace

Outcome listDrivers(Catalog& catalog) {
    return onEnvironment([&] {
        std::unordered_map<std::string_view, std::size_t> byDescription;
        return readDrivers(catalog, byDescription);
    });
}

Outcome listDataSources(Catalog& catalog) {
    return onEnvironment([&] {
        std::vector<ListedDataSource> listed;
        std::unordered_map<std::string_view, std::size_t> byDescription;
        Status read = readDataSources(catalog, listed, byDescription);
        catalog.dataSources.reserve(listed.size());
        for (const ListedDataSource& source : listed) catalog.dataSources.push_back(recordOf(source, byDescription));
        return read;
    });
}

Outcome lookupDataSource(std::string_view name, Catalog& catalog) {
    return onEnvironment([&] {
        std::vector<ListedDataSource> listed;
        std::unordered_map<std::string_view, std::size_t> byDescription;
        Status read = readDataSources(catalog, listed, byDescription);
        for (const ListedDataSource& source : listed) {
            if (source.name != name) continue;
            catalog.dataSources.push_back(recordOf(source, byDescription));
            break;
        }
        return read;
    });
}

Outcome listScopedDataSources(int scopes, Catalog& catalog) {
    return onEnvironment([&] {
        std::vector<ScopedSection> listed;
        std::unordered_map<std::string_view, std::size_t> byDescription;
        Status read = readScopedDataSources(catalog, scopes, listed, byDescription);
        catalog.dataSources.reserve(listed.size());
        for (const ScopedSection& section : listed) catalog.dataSources.push_back(recordOf(section, byDescription));
        return read;
    });
}

Outcome lookupScopedDataSource(std::string_view name, Scope scope, Catalog& catalog) {
    return onEnvironment([&] {
        std::vector<ScopedSection> listed;
        std::unordered_map<std::string_view, std::size_t> byDescription;
        Status read = readScopedDataSources(catalog, static_cast<int>(scope), listed, byDescription);
        for (const ScopedSection& section : listed) {
            if (!sameProfileName(section.section->name, name)) continue;
            catalog.dataSources.push_back(recordOf(section, byDescription));
            break;
        }
        return read;
    });
}

}  // namespace rireve
