// Linux: file data sources, each a file of its own in the driver manager's
// folder or anywhere given by its full path, changed through the library's
// writer under its lock.
#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "installer/driver_manager_settings.h"
#include "installer/file_data_sources.h"
#include "platform/driver_manager.h"
#include "profile/file_system_linux.h"
#include "profile/profile_writer_linux.h"

namespace rireve {
namespace {

constexpr char kFileDataSourceSection[] = "ODBC";

bool isDirectory(const std::string& path) {
    struct stat status {};
    return statPath(path, status, true) && S_ISDIR(status.st_mode);
}

}  // namespace

// The driver manager's folder: the one its settings name (unixODBC: [ODBC]
// FileDSNPath of the system's driver file), else its own beside that file
// (ODBCDataSources).
Outcome findFileDataSourceFolder(std::string& folder) {
    const DriverManager& manager = driverManager();
    DriverManagerSettings settings;
    Outcome read = readDriverManagerSettings(settings);
    if (!read.ok()) return read;
    for (const auto& [key, value] : settings.entries) {
        if (sameProfileName(key, manager.fileDataSourceKey) && !value.empty()) folder = value;
    }
    if (folder.empty()) folder = settings.path.substr(0, settings.path.rfind('/') + 1) + std::string(manager.fileDataSourceFolder);
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
    return Outcome::of(file.carryOut(planFirstOfName(kFileDataSourceSection, [&](const ProfileSection* current,
                                                                            ProfileWriter::SectionPlan& plan) {
        if (current == nullptr) {
            ProfileSection section{kFileDataSourceSection, {}};
            for (const auto& [key, value] : entries) section.entries.push_back({key, value});
            plan = planPut(std::move(section));
            return Status();
        }
        // In place: the keys given are set, the others taken out.
        std::vector<EntryEdit> edits;
        for (const auto& [key, value] : entries) edits.push_back({key, value});
        for (const ProfileEntry& entry : current->entries) {
            const bool kept = std::any_of(entries.begin(), entries.end(),
                                          [&](const auto& pair) { return sameProfileName(pair.first, entry.key); });
            if (!kept) edits.push_back({entry.key, std::nullopt});
        }
        plan = planEdits(kFileDataSourceSection, std::move(edits));
        return Status();
    })));
}

Outcome removeFileDataSource(const std::string& path, const RequestOptions& options) {
    FileDataSource existing;
    Outcome read = readFileDataSource(path, existing);
    if (!read.ok()) return read;
    ProfileWriter file;
    Status status = file.openPath(path, options.lockWait);
    if (status.ok()) status = file.remove();
    return Outcome::of(status);
}

}  // namespace rireve
