// The commands that only read: drivers, data sources, settings, file data
// sources, the doctor.
#include <string>
#include <vector>

#include "catalog/catalog.h"
#include "cli/messages.h"
#include "cli/records.h"
#include "cli/runners.h"
#include "installer/drivers.h"
#include "probe/diagnosis.h"

namespace rireve {
namespace {

// The user's drivers; none when the files cannot say (the listing itself may still work).
std::optional<std::vector<std::string>> userDrivers() {
    std::vector<std::string> names;
    if (!listUserDrivers(names).ok()) return std::nullopt;
    return names;
}

std::string driverScope(const std::optional<std::vector<std::string>>& users, std::string_view description) {
    if (!users) return "-";
    for (const std::string& name : *users) {
        if (name == description) return "user";
    }
    return "system";
}

std::string orDash(const std::string* text) { return text == nullptr ? "-" : *text; }

std::string severityName(Severity severity) {
    switch (severity) {
        case Severity::error: return "error";
        case Severity::warning: return "warning";
        case Severity::info: break;
    }
    return "info";
}

}  // namespace

int runDrivers(const Invocation& given, Output& out) {
    Catalog catalog;
    int status = kOk;
    if (failed(out, listDrivers(catalog), message::kReadConfiguration, status)) return status;
    const auto users = userDrivers();
    if (out.json()) {
        Json drivers = Json::array();
        for (const DriverRecord& driver : catalog.drivers) {
            Json json = driverJson(driver, out);
            json["scope"] = driverScope(users, driver.description);
            drivers.push_back(driver.vanished ? Json() : json);
        }
        out.print(drivers);
        return kOk;
    }
    std::vector<Row> rows{{"DRIVER", "LIBRARY", "USAGE", "SCOPE"}};
    for (const DriverRecord& driver : catalog.drivers) {
        if (driver.vanished) continue;
        const auto attributes = attributesOf(driver);
        rows.push_back({std::string(driver.description), orDash(attributeOf(attributes, "Driver")),
                        orDash(attributeOf(attributes, "UsageCount")), driverScope(users, driver.description)});
        if (!given.verbose) continue;
        for (const auto& [key, value] : attributes) rows.push_back({"  " + key, out.shown(key, value), "", ""});
    }
    out.table(rows);
    return kOk;
}

int runShowDriver(const Invocation& given, Output& out) {
    Catalog catalog;
    std::size_t found = kNoDriver;
    int status = kOk;
    if (failed(out, findDriver(given.name, catalog, found), message::kReadConfiguration, status)) return status;
    if (found == kNoDriver) return out.fail("No driver is named " + given.name, "", kRefused);
    const DriverRecord& driver = catalog.drivers[found];
    if (out.json()) {
        out.print(driverJson(driver, out));
        return kOk;
    }
    out.line("[" + std::string(driver.description) + "]");
    for (const auto& [key, value] : attributesOf(driver)) out.line(out.entry(key, value));
    return kOk;
}

int runDataSources(const Invocation& given, Output& out) {
    const int scopes = given.user ? static_cast<int>(Scope::user)
                       : given.system ? static_cast<int>(Scope::system)
                                      : static_cast<int>(Scope::user) | static_cast<int>(Scope::system);
    Catalog catalog;
    int status = kOk;
    if (failed(out, listScopedDataSources(scopes, catalog), message::kReadConfiguration, status)) return status;
    if (out.json()) {
        Json sources = Json::array();
        for (const DataSourceRecord& source : catalog.dataSources) {
            sources.push_back(source.vanished ? Json() : dataSourceJson(source, out));
        }
        out.print(sources);
        return kOk;
    }
    std::vector<Row> rows{{"NAME", "SCOPE", "DRIVER"}};
    for (const DataSourceRecord& source : catalog.dataSources) {
        if (source.vanished) continue;
        rows.push_back({std::string(source.name), scopeName(source.scope),
                        std::string(source.driverName) + (source.driver == kNoDriver ? " (not installed)" : "")});
    }
    if (rows.size() > 1) {
        out.table(rows);
        return kOk;
    }
    out.line("No data sources are configured. Add one with:\n  " + given.program +
             " add NAME DRIVER [KEY=VALUE ...]\nfor instance: " + given.program +
             " add demo SQLite3 Database=/tmp/demo.db");
    return kOk;
}

int runShow(const Invocation& given, Output& out) {
    const std::optional<Scope> scope = given.user ? std::optional(Scope::user)
                                       : given.system ? std::optional(Scope::system)
                                                      : std::nullopt;
    Catalog catalog;
    int status = kOk;
    if (failed(out, findDataSource(given.name, scope, catalog), message::kReadConfiguration, status)) return status;
    if (catalog.dataSources.empty()) {
        return out.fail("No " + (scope ? scopeName(scope) + " " : std::string()) + "data source is named " + given.name,
                        "", kRefused);
    }
    const DataSourceRecord& found = catalog.dataSources.front();
    if (out.json()) {
        out.print(dataSourceJson(found, out));
        return kOk;
    }
    printSection(out, found.name, entriesOf(found));
    return kOk;
}

int runSettings(const Invocation&, Output& out) { return printSettings(out); }

int runFileDataSources(const Invocation& given, Output& out) {
    std::vector<FileDataSource> found;
    int status = kOk;
    const std::string folder = given.optionalName.empty() ? std::string() : given.optionalName.front();
    if (failed(out, listFileDataSources(folder, found), message::kFileDataSourceUnreadable, status)) return status;
    if (out.json()) {
        Json sources = Json::array();
        for (const FileDataSource& source : found) {
            sources.push_back({{"path", source.path}, {"entries", out.entries(source.entries)}});
        }
        out.print(sources);
        return kOk;
    }
    std::vector<Row> rows{{"PATH", "DRIVER"}};
    for (const FileDataSource& source : found) rows.push_back({source.path, orDash(entryOf(source.entries, "DRIVER"))});
    out.table(rows);
    return kOk;
}

int runShowFileDataSource(const Invocation& given, Output& out) {
    std::string path;
    FileDataSource found;
    int status = kOk;
    if (failed(out, resolveFileDataSourcePath(given.name, path), message::kFileDataSourceUnreadable, status) ||
        failed(out, readFileDataSource(path, found), message::kFileDataSourceUnreadable, status))
        return status;
    if (out.json()) {
        out.print({{"path", found.path}, {"entries", out.entries(found.entries)}});
        return kOk;
    }
    out.line("[ODBC]");
    for (const auto& [key, value] : found.entries) out.line(out.entry(key, value));
    return kOk;
}

int runDoctor(const Invocation& given, Output& out) {
    std::vector<Finding> findings;
    int status = kOk;
    if (failed(out, diagnoseConfiguration(given.ignore, findings), message::kDiagnoseFailed, status)) return status;
    int errors = 0;
    int warnings = 0;
    Json items = Json::array();
    std::vector<Row> rows{{"SEVERITY", "CODE", "SUBJECT", "REASON", "MEND"}};
    for (const Finding& finding : findings) {
        errors += finding.severity == Severity::error;
        warnings += finding.severity == Severity::warning;
        items.push_back({{"severity", severityName(finding.severity)}, {"code", finding.code},
                         {"subject", finding.subject}, {"reason", finding.reason},
                         {"mend", finding.mend.empty() ? Json() : Json(finding.mend)}});
        rows.push_back({severityName(finding.severity), finding.code, finding.subject, finding.reason, finding.mend});
    }
    if (out.json()) {
        out.print({{"errors", errors}, {"warnings", warnings}, {"findings", items}});
    } else if (findings.empty()) {
        out.line("No drivers are installed and no data sources are configured.");
    } else {
        out.table(rows);
    }
    return errors > 0 ? kRefused : kOk;
}

}  // namespace rireve
