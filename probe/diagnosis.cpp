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

// What mends a driver's (or setup) library that the loader cannot use.
std::string mendLibrary(const std::string& subject, std::string_view key) {
    return "ri-reve drivers set '" + subject + "' " + std::string(key) +
           "=PATH, with PATH a library of this program's word size whose dependencies are installed";
}

char foldAscii(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Edits (insertions, deletions, replacements) between the names, ASCII
// letter case ignored.
std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (foldAscii(a[i - 1]) == foldAscii(b[j - 1]) ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The installed drivers whose names are closest to `name`, at most three,
// the closest first; none that is more unlike than alike.
std::vector<std::string> closestDrivers(std::string_view name, const Catalog& drivers) {
    std::vector<std::pair<std::size_t, std::string>> ranked;
    for (const DriverRecord& driver : drivers.drivers) {
        const std::size_t distance = editDistance(name, driver.description);
        if (distance * 2 <= std::max(name.size(), driver.description.size())) {
            ranked.emplace_back(distance, driver.description);
        }
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> closest;
    for (std::size_t i = 0; i < ranked.size() && i < 3; ++i) closest.push_back(ranked[i].second);
    return closest;
}

// Checks one library: found, readable, of this program's target, its
// dependencies found, its entry points there. Adds the first problem as a
// finding of `severity` with a code under `prefix`; true when it found none.
bool checkLibrary(Checked& checked, const std::string& subject, std::string_view prefix, Severity severity,
                  std::string_view key, std::string_view value, const EntryPoints& entryPoints) {
    auto report = [&](std::string_view code, std::string reason) {
        checked.findings.push_back(
            {severity, std::string(prefix) + "." + std::string(code), subject, std::move(reason), mendLibrary(subject, key)});
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
                                    "the driver " + subject + " has no Driver entry naming its library",
                                    "ri-reve drivers set '" + subject + "' Driver=PATH"});
        return false;
    }
    const bool healthy = checkLibrary(checked, subject, "driver", Severity::error, key, library, kDriver);
    const auto [setupKey, setup] = libraryEntry(driver.attributes, "Setup");
    if (!setup.empty()) checkLibrary(checked, subject, "setup", Severity::warning, setupKey, setup, kSetup);
    if (healthy) {
        checked.findings.push_back({Severity::info, "driver.ok", subject,
                                    std::string(key) + "=" + std::string(library) + " is built for " +
                                        describeTarget(checked.program) + ", its dependencies found, its entry points exported",
                                    ""});
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
    auto report = [&](Severity severity, std::string code, std::string reason, std::string mend = {}) {
        checked.findings.push_back({severity, std::move(code), subject, std::move(reason), std::move(mend)});
    };
    if (source.scope == Scope::system && userNames.count(foldProfileName(subject))) {
        report(Severity::warning, "datasource.hidden",
               "the " + where + " is hidden by a user data source of the same name, which the driver manager finds first",
               "ri-reve remove '" + subject + "' DRIVER --user, or rename one of them");
    }
    const std::string scopeOption = source.scope == Scope::system ? " --system" : " --user";
    if (source.driverName.empty())
        return report(Severity::error, "datasource.no-driver", "the " + where + " has no Driver entry",
                      "ri-reve set '" + subject + "' Driver=NAME" + scopeOption);
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
        const std::vector<std::string> closest = closestDrivers(driver, drivers);
        std::string names;
        for (const std::string& name : closest) names += (names.empty() ? "" : ", ") + name;
        return report(Severity::error, "datasource.driver-not-installed",
                      "the " + where + " names the driver " + driver + " (Driver=" + driver + "), which is not installed" +
                          (closest.empty() ? "" : "; the closest installed: " + names),
                      closest.empty() ? "install the driver " + driver + " (ri-reve drivers install '" + driver +
                                            "' Driver=PATH)"
                                      : "ri-reve set '" + subject + "' Driver='" + closest.front() + "'" + scopeOption);
    }
    if (!healthy[index]) {
        return report(Severity::error, "datasource.driver-unhealthy",
                      "the " + where + " uses the driver " + driver + ", which has an error of its own (see above)",
                      "mend the driver " + driver + " (see its finding)");
    }
    report(Severity::info, "datasource.ok", "the " + where + " uses the driver " + driver);
}

// A listing that failed for a file the driver manager cannot read: a
// finding unless that file has one already.
Outcome noteUnlisted(const Outcome& listed, bool unread, std::string_view what, std::vector<Finding>& findings) {
    if (listed.step != Step::work) return listed;
    if (!unread) {
        findings.push_back({Severity::error, "config.unread", std::string(what), listed.status.reason(),
                            "make the file named a readable regular file"});
    }
    return {};
}

// Each library of the driver manager's module folder that exports a
// driver's entry points and that no driver names.
void findUnregisteredDrivers(Checked& checked, const Catalog& drivers) {
    std::set<std::string> named;
    for (const DriverRecord& driver : drivers.drivers) {
        const auto [key, library] = libraryEntry(driver.attributes, "Driver");
        if (library.empty()) continue;
        if (auto path = locateLibrary(library, nullptr, checked.program)) named.insert(resolvePath(*path));
    }
    for (const std::string& path : driverModuleLibraries(checked.program)) {
        const std::string file = path.substr(path.rfind('/') + 1);
        if (named.count(resolvePath(path))) continue;
        LibraryImage image;
        if (!readLibraryImage(path, image).ok() || !image.sameTarget(checked.program) || !image.tablesRead) continue;
        if (!missingEntryPoints(image, kDriver.groups, kDriver.count).empty()) continue;
        std::string name = file.substr(0, file.find('.'));
        if (name.rfind("lib", 0) == 0 && name.size() > 3) name = name.substr(3);
        std::string mend = "ri-reve drivers install '" + name + "' Driver=";
        mend += path;
        checked.findings.push_back({Severity::warning, "driver.unregistered", path,
                                    path + " is a driver library in the driver manager's own folder that no driver names",
                                    std::move(mend)});
    }
}

}  // namespace

bool isIgnored(const Finding& finding, const std::vector<std::string>& ignored) {
    for (const std::string& each : ignored) {
        const std::size_t colon = each.find(':');
        if (each.substr(0, colon) != finding.code) continue;
        if (colon == std::string::npos || std::string_view(each).substr(colon + 1) == finding.subject) return true;
    }
    return false;
}

Outcome diagnoseConfiguration(std::vector<Finding>& findings) { return diagnoseConfiguration({}, findings); }

Outcome diagnoseConfiguration(const std::vector<std::string>& ignored, std::vector<Finding>& findings) {
    LibraryImage program;
    if (Status read = readProgramImage(program); !read.ok()) return Outcome::of(read);
    std::vector<Finding> found;
    const bool unread = checkConfigurationFiles(found);
    Catalog drivers;
    const Outcome driversListed = listDrivers(drivers);
    if (Outcome noted = noteUnlisted(driversListed, unread, "the drivers", found); !noted.ok()) return noted;
    // Each scope on its own, so that a file that cannot be read hides only its
    // own data sources (the records point into their catalogue: both stay).
    Catalog scoped[2];
    std::vector<const DataSourceRecord*> sources;
    for (Scope scope : {Scope::user, Scope::system}) {
        Catalog& listed = scoped[scope == Scope::user ? 0 : 1];
        const Outcome outcome = listScopedDataSources(static_cast<int>(scope), listed);
        const char* what = scope == Scope::user ? "the user's data sources" : "the system's data sources";
        if (Outcome noted = noteUnlisted(outcome, unread, what, found); !noted.ok()) return noted;
        for (const DataSourceRecord& source : listed.dataSources) sources.push_back(&source);
    }
    Checked checked{found, program, {}};
    std::vector<bool> healthy;
    for (const DriverRecord& driver : drivers.drivers) healthy.push_back(!driver.vanished && checkDriver(checked, driver));
    if (driversListed.ok()) findUnregisteredDrivers(checked, drivers);
    std::set<std::string> userNames;
    for (const DataSourceRecord* source : sources) {
        if (source->scope == Scope::user) userNames.insert(foldProfileName(source->name));
    }
    for (const DataSourceRecord* source : sources) {
        // Without the drivers, whether a data source's driver is installed cannot be told.
        if (!source->vanished && driversListed.ok()) checkDataSource(checked, *source, drivers, healthy, userNames);
    }
    for (Finding& finding : found) {
        if (!isIgnored(finding, ignored)) findings.push_back(std::move(finding));
    }
    return {};
}

}  // namespace rireve
