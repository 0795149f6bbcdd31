// The catalogue's records as the command line shows them, and the lookups
// its commands share.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/catalog.h"
#include "cli/output.h"
#include "installer/drivers.h"

namespace rireve {

std::string scopeName(std::optional<Scope> scope);

// A driver's attributes by key, a later one of a key replacing an earlier.
std::map<std::string, std::string> attributesOf(const DriverRecord& driver);
// One of them, by exact key, else with letter case ignored; null for none.
const std::string* attributeOf(const std::map<std::string, std::string>& attributes, std::string_view key);

// A data source's own entries in file order, the first of each key (letter
// case ignored) kept.
std::vector<Pair> entriesOf(const DataSourceRecord& source);

Json dataSourceJson(const DataSourceRecord& source, const Output& out);
Json driverJson(const DriverRecord& driver, const Output& out);

// The data source of that name (letter case ignored) in that scope, or when
// none is given the user's, then the system's; the catalogue holds it, or
// nothing when there is none.
Outcome findDataSource(std::string_view name, std::optional<Scope> scope, Catalog& catalog);

// The driver of exactly that description; the catalogue holds every driver,
// `found` its index (kNoDriver when none).
Outcome findDriver(std::string_view description, Catalog& catalog, std::size_t& found);

// The first value of that key, letter case ignored; null for none.
const std::string* entryOf(const Entries& entries, std::string_view key);

// The driver manager's settings as read now: [ODBC] in PATH, then its entries.
int printSettings(Output& out);

// [NAME] then a KEY=VALUE line each.
void printSection(Output& out, std::string_view name, const std::vector<Pair>& entries);

}  // namespace rireve
