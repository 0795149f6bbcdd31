// Linux: the driver files ($ODBCSYSINI/odbcinst.ini, $HOME/.odbcinst.ini),
// each changed through the library's writer under its lock
// (profile/profile_writer_linux.h), counting uses as the driver manager does
// (unixODBC's odbcinst -i -d and -u -d); the data sources that use a driver.
#include <algorithm>
#include <cstdlib>

#include "catalog/configuration.h"
#include "installer/data_source_file_linux.h"
#include "installer/drivers.h"
#include "platform/driver_manager.h"
#include "profile/profile_writer_linux.h"

namespace rireve {
namespace {

using Plan = ProfileWriter::SectionPlan;

std::string_view usageCountKey() { return driverManager().usageCountKey; }

// A section's count of uses: its UsageCount, or 1 for a section that has
// none (or none that is a number), as odbcinst counts an installed driver.
long usageCountOf(const ProfileSection& section) {
    const std::string* text = findValue(section, usageCountKey());
    if (text == nullptr || text->empty()) return 1;
    char* end = nullptr;
    const long count = std::strtol(text->c_str(), &end, 10);
    return *end == '\0' && count >= 0 ? count : 1;
}

const std::string* libraryOf(const ProfileSection& section) { return findValue(section, "Driver"); }

std::string_view requestedLibrary(const Entries& entries) {
    std::string_view library;
    for (const auto& [key, value] : entries) {
        if (sameProfileName(key, "Driver")) library = value;
    }
    return library;
}

ProfileSection sectionOf(const DriverInstall& request, long count) {
    ProfileSection section{request.name, {}};
    for (const auto& [key, value] : request.entries) section.entries.push_back({key, value});
    section.entries.push_back({std::string(usageCountKey()), std::to_string(count)});
    return section;
}

Plan countTo(std::string_view name, long count) {
    return planEdits(name, {{std::string(usageCountKey()), std::to_string(count)}});
}

std::string scopeName(Scope scope) { return scope == Scope::system ? "system" : "user"; }

// The data sources of one scope whose Driver entry names the driver.
Status dataSourcesUsing(std::string_view driver, Scope scope, std::vector<std::string>& names) {
    Profile sources;
    Status read = readProfileFile(scope == Scope::system ? ProfileFile::systemDataSources : ProfileFile::userDataSources,
                                  sources);
    if (!read.ok()) return read;
    const DriverManager& manager = driverManager();
    for (const ProfileSection& section : sources) {
        if (sameProfileName(section.name, manager.settingsSection) || sameProfileName(section.name, manager.dataSourceIndex))
            continue;
        const std::string* named = findValue(section, "Driver");
        if (named != nullptr && sameProfileName(*named, driver) &&
            std::find(names.begin(), names.end(), section.name) == names.end())
            names.push_back(section.name);
    }
    return {};
}

// Removes the data sources of a scope that use the driver, where this
// process may; those it may not stay, with the reason.
void removeDataSourcesUsing(std::string_view driver, Scope scope, const RequestOptions& options, DriverUsage& usage) {
    std::vector<std::string> names;
    Status found = dataSourcesUsing(driver, scope, names);
    if (!found.ok() || names.empty()) return;
    ProfileWriter file;
    Status removed = openDataSourceFile(scope, options, file);
    if (removed.ok()) {
        removed = file.carryOut([&](const Profile& sections, ProfileWriter::FilePlan& plan) {
            for (const std::string& name : names) {
                if (findSection(sections, name) != nullptr) plan.push_back(planRemoval(name));
            }
            return Status();
        });
    }
    for (const std::string& name : names) {
        (removed.ok() ? usage.removedDataSources : usage.dataSourcesLeft).push_back(name + " (" + scopeName(scope) + ")");
    }
}

std::vector<std::string> describedUsers(std::string_view driver) {
    std::vector<std::string> described;
    for (Scope scope : {Scope::user, Scope::system}) {
        std::vector<std::string> names;
        if (!dataSourcesUsing(driver, scope, names).ok()) continue;
        for (const std::string& name : names) described.push_back(name + " (" + scopeName(scope) + ")");
    }
    return described;
}

Status checkName(std::string_view name, std::string_view path, bool exists) {
    if (exists) return {};
    return Status::failure("no driver named " + std::string(name) + " in " + std::string(path));
}

}  // namespace

Outcome installDriver(const DriverInstall& request, const RequestOptions& options, DriverUsage& usage) {
    const std::string_view library = requestedLibrary(request.entries);
    if (library.empty()) return Outcome::of(Status::failure("the driver " + request.name + " has no Driver entry naming its library"));
    ProfileWriter file;
    Status status = openDriverFile(request.scope, options, file);
    if (!status.ok()) return Outcome::of(status);
    status = file.carryOut(planFirstOfName(request.name, [&](const ProfileSection* current, Plan& plan) {
        usage = DriverUsage{1, true, {}, {}};
        if (current == nullptr) {
            plan = planPut(sectionOf(request, 1));
            return Status();
        }
        usage.usageCount = usageCountOf(*current) + 1;
        const std::string* installed = libraryOf(*current);
        const bool sameLibrary = installed != nullptr && *installed == library;
        if (!sameLibrary && !request.replace) {
            return Status::failure("the driver " + request.name + " in " + file.path() + " is installed with the library " +
                                   (installed ? *installed : std::string("(none)")) + ", not " + std::string(library) +
                                   "; ask for replacement to install this one in its place");
        }
        plan = request.replace ? planPut(sectionOf(request, usage.usageCount)) : countTo(request.name, usage.usageCount);
        return Status();
    }));
    return Outcome::of(status);
}

Outcome removeDriver(std::string_view name, Scope scope, bool removeDataSources, const RequestOptions& options,
                     DriverUsage& usage) {
    usage = DriverUsage{};
    ProfileWriter file;
    Status status = openDriverFile(scope, options, file);
    if (!status.ok()) return Outcome::of(status);
    long count = 0;
    status = file.carryOut(planFirstOfName(name, [&](const ProfileSection* current, Plan& plan) {
        if (current == nullptr) return checkName(name, file.path(), false);
        count = usageCountOf(*current) - 1;
        plan = countTo(name, std::max(count, 0L));
        return Status();
    }));
    if (!status.ok() || count > 0) {
        usage.usageCount = count;
        usage.installed = true;
        return Outcome::of(status);
    }
    // The last use: the data sources that use it go first, when asked.
    if (removeDataSources) {
        for (Scope each : {Scope::user, Scope::system}) removeDataSourcesUsing(name, each, options, usage);
    }
    usage.dataSourcesLeft = describedUsers(name);
    usage.installed = !usage.dataSourcesLeft.empty();
    if (usage.installed) return {};
    status = file.carryOut(planFirstOfName(name, [&](const ProfileSection* current, Plan& plan) {
        if (current != nullptr) plan = planRemoval(name);
        return Status();
    }));
    return Outcome::of(status);
}

Outcome configureDriver(std::string_view name, Scope scope, const std::vector<EntryEdit>& edits,
                        const RequestOptions& options) {
    ProfileWriter file;
    Status status = openDriverFile(scope, options, file);
    if (!status.ok()) return Outcome::of(status);
    return Outcome::of(file.carryOut(planFirstOfName(name, [&](const ProfileSection* current, Plan& plan) {
        plan = planEdits(name, edits);
        return checkName(name, file.path(), current != nullptr);
    })));
}

Outcome listUserDrivers(std::vector<std::string>& names) {
    Profile system;
    Profile user;
    Status read = readDriverFiles(system, user);
    if (!read.ok()) return Outcome::of(read);
    for (const ListedDriver& listed : listDriverSections(system, user)) {
        const bool fromUser = !user.empty() && listed.attributes >= &user.front() && listed.attributes <= &user.back();
        if (fromUser) names.emplace_back(listed.description);
    }
    return {};
}

}  // namespace rireve
