// The commands that change the configuration: data sources, drivers, the
// driver manager's settings, file data sources.
#include <string>
#include <vector>

#include "base/text_rules.h"
#include "catalog/catalog.h"
#include "cli/records.h"
#include "cli/requests.h"
#include "cli/runners.h"

namespace rireve {
namespace {

Scope scopeOrUser(const Invocation& given) { return given.system ? Scope::system : Scope::user; }

// Drivers are the system's unless --user says otherwise.
Scope driverScope(const Invocation& given) { return given.user ? Scope::user : Scope::system; }

int refused(Output& out, const Refusal& refusal) { return refuse(out, *refusal.message, refusal.reason); }

// A change that was made, but that another program's rewrite of the file hid from the read-back.
int madeButNotFound(Output& out, const std::string& done, const std::string& name) {
    const std::string note = "the change was made, but reading it back found no data source of that name:"
                             " another program rewrote the configuration meanwhile";
    if (out.json()) {
        out.print({{"name", name}, {"note", note}});
    } else {
        out.line(done + " " + name + " (note: " + note + ")");
    }
    return kOk;
}

bool pairsGiven(const Invocation& given, Output& out, Entries& pairs, int& status) {
    std::string why;
    if (splitPairs(given.pairs, pairs, why)) return true;
    status = out.usage(why);
    return false;
}

using Snapshot = std::vector<std::pair<std::string, std::string>>;

Snapshot snapshotOf(const std::vector<Pair>& pairs) {
    Snapshot copy;
    for (const Pair& pair : pairs) copy.emplace_back(pair.key, pair.value);
    return copy;
}

// Whether the edits, made on these entries, leave them as they are: every
// key to take out absent, every value to set there already.
bool changesNothing(const std::vector<EntryEdit>& edits, const Snapshot& entries) {
    for (const EntryEdit& edit : edits) {
        const std::string* found = nullptr;
        for (const auto& [key, value] : entries) {
            if (found == nullptr && sameProfileName(key, edit.key)) found = &value;
        }
        if (edit.value ? found == nullptr || *found != *edit.value : found != nullptr) return false;
    }
    return true;
}

// Why edits that left the entries as they were changed nothing: the keys to
// take out that were not there, or values that were there already.
std::string whyUnchanged(const std::vector<EntryEdit>& edits, const Snapshot& entries) {
    std::string missing;
    for (const EntryEdit& edit : edits) {
        bool there = false;
        for (const auto& [key, value] : entries) there = there || sameProfileName(key, edit.key);
        if (!edit.value && !there) missing += (missing.empty() ? "" : ", ") + edit.key;
    }
    return missing.empty() ? "every entry already has its value" : "it has no entry " + missing;
}

int printUsage(Output& out, const std::string& name, const DriverUsage& usage) {
    if (out.json()) {
        out.print({{"driver", name}, {"usageCount", usage.usageCount}, {"installed", usage.installed},
                   {"removedDataSources", usage.removedDataSources}, {"dataSourcesLeft", usage.dataSourcesLeft}});
        return kOk;
    }
    auto joined = [](const std::vector<std::string>& names) {
        std::string text;
        for (const std::string& each : names) text += (text.empty() ? "" : ", ") + each;
        return text;
    };
    if (!usage.installed) {
        out.line("Removed " + name +
                 (usage.removedDataSources.empty() ? "" : " and the data sources " + joined(usage.removedDataSources)));
    } else if (!usage.dataSourcesLeft.empty() && usage.usageCount == 0) {
        out.line(name + " stays installed with a usage count of 0: still used by " + joined(usage.dataSourcesLeft));
    } else {
        out.line(name + ": usage count " + std::to_string(usage.usageCount));
    }
    return kOk;
}

int changeSettings(Output& out, const Entries& set, const std::vector<std::string>& unset) {
    std::vector<EntryEdit> edits;
    const Refusal taken = takeEdits(set, unset, EntryOwner::settings, edits);
    if (!taken.ok()) return refused(out, taken);
    int status = kOk;
    if (!runRequest(out, message::kConfigureSettingsRefused, status,
                    [&](const RequestOptions& options) { return configureDriverManager(edits, options); }))
        return status;
    return printSettings(out);
}

// The path a file data source's argument leads to, or the refusal reported.
bool pathOf(Output& out, const std::string& given, const Message& refusal, std::string& path, int& status) {
    return !failed(out, resolveFileDataSourcePath(given, path), refusal, status);
}

}  // namespace

int runAdd(const Invocation& given, Output& out) {
    Entries pairs;
    int status = kOk;
    if (!pairsGiven(given, out, pairs, status)) return status;
    Registration registration;
    const Refusal taken = takeRegistration(given.name, given.driver, pairs, scopeOrUser(given), registration);
    if (!taken.ok()) return refused(out, taken);
    if (!runRequest(out, message::kRegisterRefused, status,
                    [&](const RequestOptions& options) { return addDataSource(registration, options); }))
        return status;
    Catalog catalog;
    if (failed(out, lookupScopedDataSource(given.name, registration.request.scope, catalog), message::kReadConfiguration,
               status))
        return status;
    if (catalog.dataSources.empty()) return madeButNotFound(out, "Added", given.name);
    const DataSourceRecord& added = catalog.dataSources.front();
    if (out.json()) {
        out.print(dataSourceJson(added, out));
    } else {
        out.line("Added " + std::string(added.name) + " (" + std::string(added.driverName) + ")");
    }
    return kOk;
}

int runRemove(const Invocation& given, Output& out) {
    Request request;
    const Refusal taken = takeRemoval(given.name, given.driver, scopeOrUser(given), request);
    if (!taken.ok()) return refused(out, taken);
    int status = kOk;
    if (!runRequest(out, message::kRemoveRefused, status,
                    [&](const RequestOptions& options) { return removeDataSource(request, options); }))
        return status;
    if (out.json()) {
        out.print({{"removed", given.name}});
    } else {
        out.line("Removed " + given.name);
    }
    return kOk;
}

int runSet(const Invocation& given, Output& out) {
    Entries pairs;
    int status = kOk;
    if (!pairsGiven(given, out, pairs, status)) return status;
    if (pairs.empty() && given.unset.empty()) return out.usage("wrong arguments for set");
    EntryRequest request;
    const Refusal taken = takeEntryRequest(given.name, pairs, given.unset, scopeOrUser(given), request);
    if (!taken.ok()) return refused(out, taken);
    Catalog before;
    const bool read = lookupScopedDataSource(given.name, request.scope, before).ok() && !before.dataSources.empty();
    const Snapshot was = read ? snapshotOf(before.dataSources.front().entries) : Snapshot();
    if (!runRequest(out, message::kConfigureRefused, status,
                    [&](const RequestOptions& options) { return editEntries(request, options); }))
        return status;
    Catalog after;
    if (failed(out, lookupScopedDataSource(given.name, request.scope, after), message::kReadConfiguration, status))
        return status;
    if (after.dataSources.empty()) return madeButNotFound(out, "Changed", given.name);
    const DataSourceRecord& changed = after.dataSources.front();
    const std::string where = std::string(changed.name) + " (" + scopeName(changed.scope) + ")";
    if (out.json()) {
        out.print(dataSourceJson(changed, out));
    } else if (read && changesNothing(request.edits, was)) {
        out.line("Nothing changed in " + where + ": " + whyUnchanged(request.edits, was));
    } else {
        out.line("Changed " + where);
    }
    return kOk;
}

int runInstallDriver(const Invocation& given, Output& out) {
    Entries pairs;
    int status = kOk;
    if (!pairsGiven(given, out, pairs, status)) return status;
    DriverInstall request;
    request.name = given.name;
    request.scope = driverScope(given);
    request.replace = given.replace;
    std::vector<EntryEdit> edits;
    Refusal taken = takeDriverName(given.name);
    if (taken.ok()) taken = takeEdits(pairs, {}, EntryOwner::driver, edits);
    if (!taken.ok()) return refused(out, taken);
    for (EntryEdit& edit : edits) request.entries.emplace_back(std::move(edit.key), std::move(*edit.value));
    DriverUsage usage;
    if (!runRequest(out, message::kInstallDriverRefused, status,
                    [&](const RequestOptions& options) { return installDriver(request, options, usage); }))
        return status;
    return printUsage(out, given.name, usage);
}

int runRemoveDriver(const Invocation& given, Output& out) {
    const Refusal taken = takeDriverName(given.name);
    if (!taken.ok()) return refused(out, taken);
    DriverUsage usage;
    int status = kOk;
    if (!runRequest(out, message::kRemoveDriverRefused, status, [&](const RequestOptions& options) {
            return removeDriver(given.name, driverScope(given), given.withDataSources, options, usage);
        }))
        return status;
    return printUsage(out, given.name, usage);
}

int runSetDriver(const Invocation& given, Output& out) {
    Entries pairs;
    int status = kOk;
    if (!pairsGiven(given, out, pairs, status)) return status;
    if (pairs.empty() && given.unset.empty()) return out.usage("wrong arguments for drivers set");
    std::vector<EntryEdit> edits;
    Refusal taken = takeDriverName(given.name);
    if (taken.ok()) taken = takeEdits(pairs, given.unset, EntryOwner::driver, edits);
    if (!taken.ok()) return refused(out, taken);
    if (!runRequest(out, message::kConfigureDriverRefused, status, [&](const RequestOptions& options) {
            return configureDriver(given.name, driverScope(given), edits, options);
        }))
        return status;
    Catalog catalog;
    std::size_t found = kNoDriver;
    if (failed(out, findDriver(given.name, catalog, found), message::kReadConfiguration, status)) return status;
    if (found == kNoDriver) return madeButNotFound(out, "Changed", given.name);
    if (out.json()) {
        out.print(driverJson(catalog.drivers[found], out));
    } else {
        out.line("Changed " + given.name);
    }
    return kOk;
}

int runSetSettings(const Invocation& given, Output& out) {
    Entries pairs;
    int status = kOk;
    if (!pairsGiven(given, out, pairs, status)) return status;
    if (pairs.empty() && given.unset.empty()) return out.usage("wrong arguments for settings set");
    return changeSettings(out, pairs, given.unset);
}

int runTrace(const Invocation& given, Output& out) {
    if (given.state != "on" && given.state != "off") return out.usage("trace takes on or off: " + given.state);
    Entries set{{"Trace", given.state == "on" ? "Yes" : "No"}};
    if (given.file) {
        if (given.state == "off") return out.usage("trace off takes no --file");
        set.emplace_back("TraceFile", *given.file);
    }
    return changeSettings(out, set, {});
}

int runAddFileDataSource(const Invocation& given, Output& out) {
    Entries pairs{{"DRIVER", given.driver}};
    int status = kOk;
    if (!pairsGiven(given, out, pairs, status)) return status;
    std::string path;
    if (!pathOf(out, given.name, message::kFileDataSourceRefused, path, status)) return status;
    std::vector<EntryEdit> edits;
    const Refusal taken = takeEdits(pairs, {}, EntryOwner::driver, edits);
    if (!taken.ok()) return refused(out, taken);
    Entries entries;
    for (EntryEdit& edit : edits) entries.emplace_back(std::move(edit.key), std::move(*edit.value));
    if (!runRequest(out, message::kFileDataSourceRefused, status,
                    [&](const RequestOptions& options) { return writeFileDataSource(path, entries, options); }))
        return status;
    FileDataSource written;
    if (failed(out, readFileDataSource(path, written), message::kFileDataSourceUnreadable, status)) return status;
    if (out.json()) {
        out.print({{"path", written.path}, {"entries", out.entries(written.entries)}});
    } else {
        out.line("Wrote " + written.path);
    }
    return kOk;
}

int runRemoveFileDataSource(const Invocation& given, Output& out) {
    std::string path;
    int status = kOk;
    if (!pathOf(out, given.name, message::kFileDataSourceRefused, path, status)) return status;
    if (!runRequest(out, message::kFileDataSourceRefused, status,
                    [&](const RequestOptions& options) { return removeFileDataSource(path, options); }))
        return status;
    if (out.json()) {
        out.print({{"removed", path}});
    } else {
        out.line("Removed " + path);
    }
    return kOk;
}

}  // namespace rireve
