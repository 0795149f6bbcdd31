#include "cli/records.h"

#include "base/text_rules.h"
#include "cli/messages.h"

namespace rireve {

std::string scopeName(std::optional<Scope> scope) {
    if (!scope) return "-";
    return *scope == Scope::user ? "user" : "system";
}

std::map<std::string, std::string> attributesOf(const DriverRecord& driver) {
    std::map<std::string, std::string> attributes;
    for (const Pair& pair : driver.attributes) attributes[std::string(pair.key)] = std::string(pair.value);
    return attributes;
}

const std::string* attributeOf(const std::map<std::string, std::string>& attributes, std::string_view key) {
    const auto exact = attributes.find(std::string(key));
    if (exact != attributes.end()) return &exact->second;
    for (const auto& [each, value] : attributes) {
        if (sameProfileName(each, key)) return &value;
    }
    return nullptr;
}

std::vector<Pair> entriesOf(const DataSourceRecord& source) {
    std::vector<Pair> kept;
    for (const Pair& entry : source.entries) {
        bool seen = false;
        for (const Pair& earlier : kept) seen = seen || sameProfileName(earlier.key, entry.key);
        if (!seen) kept.push_back(entry);
    }
    return kept;
}

Json dataSourceJson(const DataSourceRecord& source, const Output& out) {
    Json attributes = Json::object();
    for (const Pair& entry : entriesOf(source)) attributes[std::string(entry.key)] = out.shown(entry.key, entry.value);
    return {{"name", source.name}, {"scope", scopeName(source.scope)}, {"driver", source.driverName},
            {"installed", source.driver != kNoDriver}, {"attributes", attributes}};
}

Json driverJson(const DriverRecord& driver, const Output& out) {
    return {{"description", driver.description}, {"attributes", out.entries(attributesOf(driver))}};
}

Outcome findDataSource(std::string_view name, std::optional<Scope> scope, Catalog& catalog) {
    if (scope) return lookupScopedDataSource(name, *scope, catalog);
    Outcome found = lookupScopedDataSource(name, Scope::user, catalog);
    if (!found.ok() || !catalog.dataSources.empty()) return found;
    catalog = Catalog();
    return lookupScopedDataSource(name, Scope::system, catalog);
}

Outcome findDriver(std::string_view description, Catalog& catalog, std::size_t& found) {
    found = kNoDriver;
    Outcome listed = listDrivers(catalog);
    for (std::size_t i = 0; listed.ok() && i < catalog.drivers.size(); ++i) {
        if (!catalog.drivers[i].vanished && catalog.drivers[i].description == description) {
            found = i;
            break;
        }
    }
    return listed;
}

void printSection(Output& out, std::string_view name, const std::vector<Pair>& entries) {
    out.line("[" + std::string(name) + "]");
    for (const Pair& entry : entries) out.line(out.entry(entry.key, entry.value));
}

const std::string* entryOf(const Entries& entries, std::string_view key) {
    for (const auto& [each, value] : entries) {
        if (sameProfileName(each, key)) return &value;
    }
    return nullptr;
}

int printSettings(Output& out) {
    DriverManagerSettings settings;
    int status = kOk;
    if (failed(out, readDriverManagerSettings(settings), message::kReadConfiguration, status)) return status;
    if (out.json()) {
        out.print({{"path", settings.path},
                   {"overriddenBy", settings.overriddenBy.empty() ? Json() : Json(settings.overriddenBy)},
                   {"entries", out.entries(settings.entries)}});
        return kOk;
    }
    out.line("[ODBC] in " + settings.path +
             (settings.overriddenBy.empty() ? "" : " (" + settings.overriddenBy + " has an [ODBC] section of its own)"));
    for (const auto& [key, value] : settings.entries) out.line(out.entry(key, value));
    return kOk;
}


}  // namespace rireve
