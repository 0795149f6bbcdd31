// The catalogue as the driver manager lists it, with SQLDrivers and
// SQLDataSources: a counting pass and a filling pass per listing, and a walk
// of the driver list, on an environment of its own, for each data source's
// driver. Windows lists this way.
#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <string>
#include <vector>

#include "catalog/attribute_list.h"
#include "catalog/catalog.h"
#include "catalog/configuration.h"
#include "catalog/data_source_entry.h"
#include "catalog/driver_entry.h"
#include "platform/installer_profile.h"

namespace rireve {
namespace {

std::string_view textOf(const char (&buffer)[kTextBufferSize]) { return {buffer, strnlen(buffer, sizeof buffer)}; }

// The driver's record, its texts kept by the catalogue. The attribute list
// is the buffer's, up to its closing empty pair or the buffer's end.
DriverRecord recordOf(const DriverEntry& entry, Catalog& catalog) {
    DriverRecord record;
    record.description = catalog.keep(textOf(entry.description));
    const std::string_view list = catalog.keep(std::string_view(entry.attributes, sizeof entry.attributes));
    scanAttributeList(list, [&](std::string_view key, std::string_view value) {
        record.attributes.push_back({key, value});
        return true;
    });
    return record;
}

// Counts the entries of the list, then reads each anew into a record; an
// entry counted but gone by the second pass is a vanished record, and one
// added meanwhile is left out. The driver manager starts its list again
// from the first entry once it has reported the end.
template <typename Entry, typename Record>
Outcome listEntries(SQLHENV odbc, std::vector<Record>& records, Outcome (*take)(const Entry&, Catalog&, Record&),
                    Catalog& catalog) {
    Entry entry;
    std::size_t count = 0;
    while (entry.fetchNext(odbc)) ++count;
    records.resize(count);
    // After the end of the list the driver manager starts again from its
    // first entry: no entry is read past the first one that vanished.
    bool ended = false;
    for (std::size_t i = 0; i < count; ++i) {
        ended = ended || !entry.fetchNext(odbc);
        records[i].vanished = ended;
        if (ended) continue;
        Outcome taken = take(entry, catalog, records[i]);
        if (!taken.ok()) return taken;
    }
    return {};
}

Outcome takeDriver(const DriverEntry& entry, Catalog& catalog, DriverRecord& record) {
    record = recordOf(entry, catalog);
    return {};
}

// Walks the driver list on an environment of its own for the first driver
// of exactly that description; its index in the catalogue's drivers, or
// kNoDriver.
Outcome lookupDriver(const char* description, Catalog& catalog, std::size_t& index) {
    index = kNoDriver;
    return onOdbcEnvironment([&](SQLHENV odbc) {
        DriverEntry entry;
        while (entry.fetchNext(odbc)) {
            if (!entry.describes(description)) continue;
            index = catalog.drivers.size();
            catalog.drivers.push_back(recordOf(entry, catalog));
            break;
        }
        return Outcome();
    });
}

Outcome takeDataSource(const DataSourceEntry& entry, Catalog& catalog, DataSourceRecord& record) {
    record.name = catalog.keep(entry.nameText());
    return lookupDriver(entry.driver, catalog, record.driver);
}

struct ScopedEntry {
    std::string name;
    std::string driver;
    Scope scope;
    std::vector<ProfileEntry> entries;
};

// The driver manager's list of one scope, each data source with its entries
// as the installer's profile functions read them in that scope's mode.
Status listScope(SQLHENV odbc, Scope scope, std::vector<ScopedEntry>& listed) {
    const bool system = scope == Scope::system;
    DataSourceEntry entry(scope);
    const std::size_t first = listed.size();
    while (entry.fetchNext(odbc)) listed.push_back({std::string(entry.nameText()), std::string(entry.driverText()), scope, {}});
    if (listed.size() == first) return {};
    const InstallerProfile profile(system ? ODBC_SYSTEM_DSN : ODBC_USER_DSN);
    for (std::size_t i = first; i < listed.size(); ++i) {
        std::vector<std::string> keys;
        Status status = profile.readKeys(listed[i].name, keys);
        for (const std::string& key : keys) {
            listed[i].entries.push_back({key, {}});
            if (status.ok()) status = profile.readValue(listed[i].name, key, listed[i].entries.back().value);
        }
        if (!status.ok()) return status;
    }
    return {};
}

// The scopes' data sources of one environment, those that `wanted` takes,
// each with its driver.
template <typename Wanted>
Outcome listScoped(int scopes, Catalog& catalog, Wanted wanted) {
    return onOdbcEnvironment([&](SQLHENV odbc) {
        std::vector<ScopedEntry> listed;
        Status status;
        if (covers(scopes, Scope::user)) status = listScope(odbc, Scope::user, listed);
        if (status.ok() && covers(scopes, Scope::system)) status = listScope(odbc, Scope::system, listed);
        Outcome outcome = Outcome::of(std::move(status));
        // Each entry's texts go into the catalogue's storage, which a record points into.
        for (std::size_t i = 0; outcome.ok() && i < listed.size(); ++i) {
            if (!wanted(listed[i])) continue;
            DataSourceRecord record;
            record.name = catalog.keep(listed[i].name);
            record.scope = listed[i].scope;
            record.driverName = catalog.keep(listed[i].driver);
            for (const ProfileEntry& entry : listed[i].entries) {
                record.entries.push_back({catalog.keep(entry.key), catalog.keep(entry.value)});
            }
            outcome = lookupDriver(listed[i].driver.c_str(), catalog, record.driver);
            catalog.dataSources.push_back(std::move(record));
        }
        return outcome;
    });
}

}  // namespace

Outcome listDrivers(Catalog& catalog) {
    return onOdbcEnvironment(
        [&](SQLHENV odbc) { return listEntries<DriverEntry>(odbc, catalog.drivers, &takeDriver, catalog); });
}

Outcome listDataSources(Catalog& catalog) {
    return onOdbcEnvironment(
        [&](SQLHENV odbc) { return listEntries<DataSourceEntry>(odbc, catalog.dataSources, &takeDataSource, catalog); });
}

Outcome lookupDataSource(std::string_view name, Catalog& catalog) {
    return onOdbcEnvironment([&](SQLHENV odbc) {
        DataSourceEntry entry;
        while (entry.fetchNext(odbc)) {
            if (entry.nameText() != name) continue;
            DataSourceRecord record;
            Outcome taken = takeDataSource(entry, catalog, record);
            catalog.dataSources.push_back(std::move(record));
            return taken;
        }
        return Outcome();
    });
}

Outcome listScopedDataSources(int scopes, Catalog& catalog) {
    return listScoped(scopes, catalog, [](const ScopedEntry&) { return true; });
}

Outcome lookupScopedDataSource(std::string_view name, Scope scope, Catalog& catalog) {
    bool taken = false;
    return listScoped(static_cast<int>(scope), catalog, [&](const ScopedEntry& entry) {
        const bool first = !taken && sameProfileName(entry.name, name);
        taken = taken || first;
        return first;
    });
}

}  // namespace rireve
