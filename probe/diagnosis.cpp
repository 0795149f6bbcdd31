#include "probe/diagnosis.h"

#include <algorithm>
#include <iterator>
#include <cctype>
#include <cerrno>
#include <map>
#include <memory>
#include <set>

#include "base/text_rules.h"
#include "catalog/catalog.h"
#include "probe/configuration_files.h"
#include "probe/library_image.h"

namespace rireve {
namespace {

// The entry points without which the driver manager cannot connect
// through a driver: each group is met by any one of its names.
constexpr std::string_view kDriverEntryPoints[] = {
    "SQLAllocHandle|SQLAllocConnect",
    "SQLDriverConnect|SQLDriverConnectW|SQLConnect|SQLConnectW",
    "SQLDisconnect",
    "SQLFreeHandle|SQLFreeConnect",
};
constexpr std::string_view kSetupEntryPoints[] = {"ConfigDSN|ConfigDSNW"};

struct EntryPoints {
    const std::string_view* groups;
    std::size_t count;
};
constexpr EntryPoints kDriver{kDriverEntryPoints, std::size(kDriverEntryPoints)};
constexpr EntryPoints kSetup{kSetupEntryPoints, std::size(kSetupEntryPoints)};

struct Checked {
    std::vector<Finding>& findings;
    const LibraryImage& program;
    // The dependencies read so far, by path (null: unreadable): drivers share most of theirs.
    std::map<std::string, std::unique_ptr<LibraryImage>> dependencies;

    const LibraryImage* dependency(const std::string& path) {
        auto [place, added] = dependencies.try_emplace(path);
        if (added) {
            auto image = std::make_unique<LibraryImage>();
            if (readLibraryImage(path, *image).ok()) place->second = std::move(image);
        }
        return place->second.get();
    }
};

std::string_view entryOf(const std::vector<Pair>& entries, std::string_view key) {
    std::string_view found;
    for (const Pair& pair : entries) {
        if (pair.key.size() == key.size() &&
            std::equal(key.begin(), key.end(), pair.key.begin(),
                       [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                   std::tolower(static_cast<unsigned char>(b)); }))
            found = pair.value;
    }
    return found;
}

// The first of the keys that has a value, and that value.
std::pair<std::string_view, std::string_view> libraryEntry(const std::vector<Pair>& entries, std::string_view key) {
    for (std::string_view each : libraryKeys(key)) {
        const std::string_view value = entryOf(entries, each);
        if (!value.empty()) return {each, value};
    }
    return {key, {}};
}

// The groups of which the image exports no name, as "A or B, C".
std::string missingEntryPoints(const LibraryImage& image, const std::string_view* groups, std::size_t count) {
    std::string missing;
    for (std::size_t i = 0; i < count; ++i) {
        std::string names;
        bool met = false;
        for (std::size_t start = 0; start <= groups[i].size();) {
            const std::size_t end = std::min(groups[i].find('|', start), groups[i].size());
            const std::string_view name = groups[i].substr(start, end - start);
            met = met || image.exports(name);
            names += (names.empty() ? "" : " or ") + std::string(name);
            start = end + 1;
        }
        if (!met) missing += (missing.empty() ? "" : ", ") + names;
    }
    return missing;
}

// The first dependency, direct or not, that the loader would not find.
std::optional<std::string> missingDependency(const LibraryImage& library, Checked& checked) {
    std::set<std::string> seen;
    std::vector<const LibraryImage*> pending{&library};
    while (!pending.empty()) {
        const LibraryImage* current = pending.back();
        pending.pop_back();
        for (const std::string& name : current->needed) {
            if (!seen.insert(name).second) continue;
            const std::optional<std::string> path = locateLibrary(name, current, checked.program);
            if (!path) return name + " (needed by " + current->path + ")";
            if (const LibraryImage* next = checked.dependency(*path)) pending.push_back(next);
        }
    }
    return std::nullopt;
}

// Checks one library: found, readable, of this program's target, its
// dependencies found, its entry points there. Adds the first problem as a
// finding of `severity` with a code under `prefix`; true when it found none.
bool checkLibrary(Checked& checked, const std::string& subject, std::string_view prefix, Severity severity,
                  std::string_view key, std::string_view value, const EntryPoints& entryPoints) {
    auto report = [&](std::string_view code, std::string reason) {
        checked.findings.push_back({severity, std::string(prefix) + "." + std::string(code), subject, std::move(reason)});
        return false;
    };
    const std::string named = std::string(key) + "=" + std::string(value);
    const std::optional<std::string> path = locateLibrary(value, nullptr, checked.program);
    if (!path) {
        const std::string target = describeTarget(checked.program);
        // "an ELF ...", "a PE ...": the article as the first letter is spoken.
        const bool vowel = std::string_view("AEFHILMNORSX").find(target.front()) != std::string_view::npos;
        return report("library-not-found", named + " is found nowhere the loader searches for " +
                                               (vowel ? "an " : "a ") + target + " library");
    }
    LibraryImage image;
    if (Status read = readLibraryImage(*path, image); !read.ok()) {
        const bool missing = read.error() == ENOENT || read.error() == ENOTDIR;
        return report(missing ? "library-not-found" : read.error() ? "library-unreadable" : "library-invalid",
                      named + ": " + read.reason());
    }
    if (image.wordSize != checked.program.wordSize)
        return report("word-size-mismatch", named + " is " + describeTarget(image) + ", this program " +
                                                describeTarget(checked.program));
    if (!image.sameTarget(checked.program))
        return report("architecture-mismatch", named + " is " + describeTarget(image) + ", this program " +
                                                   describeTarget(checked.program));
    if (!image.tablesRead) return true;
    if (auto missing = missingDependency(image, checked))
        return report("dependency-missing", named + " needs " + *missing + ", which the loader does not find");
    const std::string entries = missingEntryPoints(image, entryPoints.groups, entryPoints.count);
    if (!entries.empty()) return report("entry-points-missing", named + " does not export " + entries);
    return true;
}

bool checkDriver(Checked& checked, const DriverRecord& driver) {
    const std::string subject(driver.description);
    const auto [key, library] = libraryEntry(driver.attributes, "Driver");
    if (library.empty()) {
        checked.findings.push_back({Severity::error, "driver.no-library", subject,
                                    "the driver " + subject + " has no Driver entry naming its library"});
        return false;
    }
    const bool healthy = checkLibrary(checked, subject, "driver", Severity::error, key, library, kDriver);
    const auto [setupKey, setup] = libraryEntry(driver.attributes, "Setup");
    if (!setup.empty()) checkLibrary(checked, subject, "setup", Severity::warning, setupKey, setup, kSetup);
    if (healthy) {
        checked.findings.push_back({Severity::info, "driver.ok", subject,
                                    std::string(key) + "=" + std::string(library) + " is built for " +
                                        describeTarget(checked.program) + ", its dependencies found, its entry points exported"});
    }
    return healthy;
}

const char* scopeName(const std::optional<Scope>& scope) {
    return scope == Scope::system ? "system" : "user";
}

void checkDataSource(Checked& checked, const DataSourceRecord& source, const Catalog& drivers,
                     const std::vector<bool>& healthy, const std::set<std::string>& userNames) {
    const std::string subject(source.name);
    const std::string where = std::string(scopeName(source.scope)) + " data source " + subject;
    auto report = [&](Severity severity, std::string code, std::string reason) {
        checked.findings.push_back({severity, std::move(code), subject, std::move(reason)});
    };
    if (source.scope == Scope::system && userNames.count(foldProfileName(subject))) {
        report(Severity::warning, "datasource.hidden",
               "the " + where + " is hidden by a user data source of the same name, which the driver manager finds first");
    }
    if (source.driverName.empty()) return report(Severity::error, "datasource.no-driver", "the " + where + " has no Driver entry");
    const std::string driver(source.driverName);
    if (driver.find('/') != std::string::npos || driver.find('\\') != std::string::npos) {
        if (checkLibrary(checked, subject, "datasource", Severity::error, "Driver", driver, kDriver))
            report(Severity::info, "datasource.ok", "the " + where + " names the driver library " + driver + " directly");
        return;
    }
    std::size_t index = kNoDriver;
    for (std::size_t i = 0; i < drivers.drivers.size(); ++i) {
        if (drivers.drivers[i].description == source.driverName) index = i;
    }
    if (index == kNoDriver) {
        return report(Severity::error, "datasource.driver-not-installed",
                      "the " + where + " names the driver " + driver + " (Driver=" + driver + "), which is not installed");
    }
    if (!healthy[index]) {
        return report(Severity::error, "datasource.driver-unhealthy",
                      "the " + where + " uses the driver " + driver + ", which has an error of its own (see above)");
    }
    report(Severity::info, "datasource.ok", "the " + where + " uses the driver " + driver);
}

}  // namespace

Outcome diagnoseConfiguration(std::vector<Finding>& findings) {
    LibraryImage program;
    if (Status read = readProgramImage(program); !read.ok()) return Outcome::of(read);
    const bool unread = checkConfigurationFiles(findings);
    Catalog drivers;
    if (Outcome listed = listDrivers(drivers); !listed.ok()) return listed;
    Catalog sources;
    if (Outcome listed = listScopedDataSources(static_cast<int>(Scope::user) | static_cast<int>(Scope::system), sources);
        !listed.ok()) {
        // A file found unread has its finding; the data sources cannot be told.
        return unread ? Outcome() : listed;
    }
    Checked checked{findings, program, {}};
    std::vector<bool> healthy;
    for (const DriverRecord& driver : drivers.drivers) healthy.push_back(!driver.vanished && checkDriver(checked, driver));
    std::set<std::string> userNames;
    for (const DataSourceRecord& source : sources.dataSources) {
        if (source.scope == Scope::user) userNames.insert(foldProfileName(source.name));
    }
    for (const DataSourceRecord& source : sources.dataSources) {
        if (!source.vanished) checkDataSource(checked, source, drivers, healthy, userNames);
    }
    return {};
}

}  // namespace rireve
