// Linux: the driver files ($ODBCSYSINI/odbcinst.ini, $HOME/.odbcinst.ini),
// the data source files and file data sources, each changed through the
// library's writer under its lock (profile/profile_writer_linux.h), as
// unixODBC's odbcinst -i -d and -u -d count uses.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "catalog/configuration.h"
#include "installer/drivers.h"
#include "installer/data_source_file_linux.h"
#include "profile/file_system_linux.h"
#include "profile/profile_writer_linux.h"

namespace rireve {
namespace {

using Plan = ProfileWriter::SectionPlan;

constexpr char kUsageCount[] = "UsageCount";
constexpr char kFileDataSourceSection[] = "ODBC";

Status openDriverFile(Scope scope, const RequestOptions& options, ProfileWriter& file) {
    return openScopeFile(scope, ProfileFile::userDrivers, ProfileFile::drivers, options,
                         "the system's drivers are installed", file);
}

// A section's count of uses: its UsageCount, or 1 for a section that has
// none (or none that is a number), as odbcinst counts an installed driver.
long usageCountOf(const ProfileSection& section) {
    const std::string* text = findValue(section, kUsageCount);
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
    section.entries.push_back({kUsageCount, std::to_string(count)});
    return section;
}

Plan countTo(long count) {
    Plan plan;
    plan.kind = Plan::Kind::edit;
    plan.edits.push_back({kUsageCount, std::to_string(count)});
    return plan;
}

std::string scopeName(Scope scope) { return scope == Scope::system ? "system" : "user"; }

// The data sources of one scope whose Driver entry names the driver.
Status dataSourcesUsing(std::string_view driver, Scope scope, std::vector<std::string>& names) {
    Profile sources;
    Status read = readProfileFile(scope == Scope::system ? ProfileFile::systemDataSources : ProfileFile::userDataSources,
                                  sources);
    if (!read.ok()) return read;
    for (const ProfileSection& section : sources) {
        if (sameProfileName(section.name, kDriverManagerSection) || sameProfileName(section.name, "ODBC Data Sources"))
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
    Status opened = openDataSourceFile(scope, options, file);
    for (const std::string& name : names) {
        const std::string described = name + " (" + scopeName(scope) + ")";
        Status removed = opened.ok() ? file.planSection(name, [&](const ProfileSection* current, Plan& plan) {
            plan.kind = current == nullptr ? Plan::Kind::keep : Plan::Kind::remove;
            return Status();
        }) : opened;
        (removed.ok() ? usage.removedDataSources : usage.dataSourcesLeft).push_back(described);
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

bool isDirectory(const std::string& path) {
    struct stat status {};
    return statPath(path, status, true) && S_ISDIR(status.st_mode);
}

}  // namespace

Outcome installDriver(const DriverInstall& request, const RequestOptions& options, DriverUsage& usage) {
    const std::string_view library = requestedLibrary(request.entries);
    if (library.empty()) return Outcome::of(Status::failure("the driver " + request.name + " has no Driver entry naming its library"));
    ProfileWriter file;
    Status status = openDriverFile(request.scope, options, file);
    if (!status.ok()) return Outcome::of(status);
    status = file.planSection(request.name, [&](const ProfileSection* current, Plan& plan) {
        usage = DriverUsage{1, true, {}, {}};
        if (current == nullptr) {
            plan.kind = Plan::Kind::put;
            plan.section = sectionOf(request, 1);
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
        if (request.replace) {
            plan.kind = Plan::Kind::put;
            plan.section = sectionOf(request, usage.usageCount);
        } else {
            plan = countTo(usage.usageCount);
        }
        return Status();
    });
    return Outcome::of(status);
}

Outcome removeDriver(std::string_view name, Scope scope, bool removeDataSources, const RequestOptions& options,
                     DriverUsage& usage) {
    usage = DriverUsage{};
    ProfileWriter file;
    Status status = openDriverFile(scope, options, file);
    if (!status.ok()) return Outcome::of(status);
    long count = 0;
    status = file.planSection(name, [&](const ProfileSection* current, Plan& plan) {
        if (current == nullptr) return checkName(name, file.path(), false);
        count = usageCountOf(*current) - 1;
        plan = countTo(std::max(count, 0L));
        return Status();
    });
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
    status = file.planSection(name, [&](const ProfileSection* current, Plan& plan) {
        plan.kind = current == nullptr ? Plan::Kind::keep : Plan::Kind::remove;
        return Status();
    });
    return Outcome::of(status);
}

Outcome configureDriver(std::string_view name, Scope scope, const std::vector<EntryEdit>& edits,
                        const RequestOptions& options) {
    ProfileWriter file;
    Status status = openDriverFile(scope, options, file);
    if (!status.ok()) return Outcome::of(status);
    return Outcome::of(file.planSection(name, [&](const ProfileSection* current, Plan& plan) {
        plan.kind = Plan::Kind::edit;
        plan.edits = edits;
        return checkName(name, file.path(), current != nullptr);
    }));
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

Outcome readDriverManagerSettings(DriverManagerSettings& settings) {
    Status status = findProfilePath(ProfileFile::drivers, settings.path);
    Profile system;
    if (status.ok()) status = readReadableProfileFile(ProfileFile::drivers, system);
    Profile user;
    if (status.ok()) status = readProfileFile(ProfileFile::userDrivers, user);
    if (!status.ok()) return Outcome::of(status);
    if (const ProfileSection* section = findSection(system, kDriverManagerSection)) {
        for (const ProfileEntry& entry : section->entries) settings.entries.emplace_back(entry.key, entry.value);
    }
    if (findSection(user, kDriverManagerSection) != nullptr) {
        status = findProfilePath(ProfileFile::userDrivers, settings.overriddenBy);
    }
    return Outcome::of(status);
}

Outcome configureDriverManager(const std::vector<EntryEdit>& edits, const RequestOptions& options) {
    ProfileWriter file;
    // The settings are the machine's, not its drivers': say so when the file is closed to this user.
    Status status = openScopeFile(Scope::system, ProfileFile::userDrivers, ProfileFile::drivers, options,
                                  "the driver manager's settings, [ODBC] of that file, which every program of every "
                                  "user reads, are changed",
                                  file);
    if (!status.ok()) return Outcome::of(status);
    return Outcome::of(file.planSection(kDriverManagerSection, [&](const ProfileSection* current, Plan& plan) {
        plan.edits = edits;
        if (current != nullptr) {
            plan.kind = Plan::Kind::edit;
            return Status();
        }
        plan.kind = Plan::Kind::put;
        plan.section.name = kDriverManagerSection;
        editEntries(plan.section.entries, edits);
        return Status();
    }));
}

// unixODBC's folder: [ODBC] FileDSNPath of the system's driver file, else
// ODBCDataSources beside that file.
Outcome findFileDataSourceFolder(std::string& folder) {
    DriverManagerSettings settings;
    Outcome read = readDriverManagerSettings(settings);
    if (!read.ok()) return read;
    for (const auto& [key, value] : settings.entries) {
        if (sameProfileName(key, "FileDSNPath") && !value.empty()) folder = value;
    }
    if (folder.empty()) folder = settings.path.substr(0, settings.path.rfind('/') + 1) + "ODBCDataSources";
    return {};
}

Outcome resolveFileDataSourcePath(std::string_view given, std::string& path) {
    if (given.empty()) return Outcome::of(Status::failure("the file data source's path is empty"));
    if (given.front() == '/') {
        path = std::string(given);
        return {};
    }
    std::string folder;
    Outcome found = findFileDataSourceFolder(folder);
    return found.ok() ? placeInFolder(given, folder, "/", '/', path) : found;
}

Outcome listFileDataSources(const std::string& given, std::vector<FileDataSource>& found) {
    std::string folder = given;
    if (folder.empty()) {
        Outcome located = findFileDataSourceFolder(folder);
        if (!located.ok()) return located;
    }
    std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(folder.c_str()), closedir);
    if (!listing) {
        // A default folder not made yet holds no file data sources.
        if (errno == ENOENT && given.empty()) return {};
        return Outcome::of(Status::systemFailure("cannot list", folder, errno));
    }
    std::vector<std::string> names;
    for (dirent* entry; (entry = readdir(listing.get())) != nullptr;) {
        if (endsWithDsn(entry->d_name)) names.push_back(folder + "/" + entry->d_name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& path : names) {
        FileDataSource source;
        if (readFileDataSource(path, source).ok()) found.push_back(std::move(source));
    }
    return {};
}

Outcome readFileDataSource(const std::string& path, FileDataSource& found) {
    if (isDirectory(path)) return Outcome::of(Status::systemFailure("cannot read", path, EISDIR));
    Profile profile;
    ProfileAccess access = ProfileAccess::read;
    Status read = readProfile(path, profile, {}, &access);
    if (read.ok() && access == ProfileAccess::missing) read = Status::systemFailure("cannot read", path, ENOENT);
    if (read.ok() && access == ProfileAccess::unreadable) read = Status::systemFailure("cannot read", path, EACCES);
    if (!read.ok()) return Outcome::of(read);
    const ProfileSection* section = findSection(profile, kFileDataSourceSection);
    if (section == nullptr) return Outcome::of(Status::failure(path + " is not a file data source: it has no [ODBC] section"));
    found.path = path;
    for (const ProfileEntry& entry : section->entries) found.entries.emplace_back(entry.key, entry.value);
    return {};
}

Outcome writeFileDataSource(const std::string& path, const Entries& entries, const RequestOptions& options) {
    ProfileWriter file;
    Status status = file.openPath(path, options.lockWait);
    if (!status.ok()) return Outcome::of(status);
    return Outcome::of(file.planSection(kFileDataSourceSection, [&](const ProfileSection* current, Plan& plan) {
        plan.section.name = kFileDataSourceSection;
        for (const auto& [key, value] : entries) plan.section.entries.push_back({key, value});
        if (current == nullptr) {
            plan.kind = Plan::Kind::put;
            return Status();
        }
        // In place: the keys given are set, the others taken out.
        plan.kind = Plan::Kind::edit;
        for (const auto& [key, value] : entries) plan.edits.push_back({key, value});
        for (const ProfileEntry& entry : current->entries) {
            const bool kept = std::any_of(entries.begin(), entries.end(),
                                          [&](const auto& pair) { return sameProfileName(pair.first, entry.key); });
            if (!kept) plan.edits.push_back({entry.key, std::nullopt});
        }
        return Status();
    }));
}

Outcome removeFileDataSource(const std::string& path, const RequestOptions& options) {
    FileDataSource existing;
    Outcome read = readFileDataSource(path, existing);
    if (!read.ok()) return read;
    ProfileWriter file;
    Status status = file.openPath(path, options.lockWait);
    if (status.ok() && unlink(file.path().c_str()) != 0) status = Status::systemFailure("cannot remove", file.path(), errno);
    return Outcome::of(status);
}

}  // namespace rireve
