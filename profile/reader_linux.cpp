// Linux: the files read whole through one descriptor, then parsed.
#include <fcntl.h>

#include <cerrno>

#include "platform/configuration_paths_linux.h"
#include "profile/file_system_linux.h"
#include "profile/profile.h"
#include "profile/profile_text.h"

namespace rireve {
namespace {

std::string pathOf(ProfileFile file) {
    switch (file) {
        case ProfileFile::drivers: return driverFilePath();
        case ProfileFile::userDrivers: return userDriverFilePath();
        case ProfileFile::systemDataSources: return systemDataSourceFilePath();
        case ProfileFile::userDataSources: return userDataSourceFilePath();
    }
    return {};
}

struct FileRead {
    ProfileAccess access = ProfileAccess::read;
    int error = 0;          // why a file could not be opened
    std::string rejection;  // why the reader rejects it
};

Status readFile(const std::string& path, const std::vector<std::string_view>& keys, ProfileRules rules,
                Profile& profile, FileRead& read) {
    profile.clear();
    // Opened without blocking, to see that it is a regular file: a FIFO's
    // open would wait for a writer.
    Descriptor file;
    struct stat status = {};
    Status opened = openRegularFile(path, O_RDONLY, file, status, read.error);
    if (read.error != 0) {  // missing or unreadable: no sections, as for the driver manager
        read.access = read.error == ENOENT ? ProfileAccess::missing : ProfileAccess::unreadable;
        return {};
    }
    if (!opened.ok()) return opened;
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(status.st_size) + 1);
    Status got = readAll(file.get(), bytes, path);
    if (!got.ok()) return got;
    ProfileText parsed;
    parseProfile(bytes, rules, keys, false, parsed);
    profile = std::move(parsed.sections);
    read.rejection = std::move(parsed.rejection);
    if (!read.rejection.empty()) read.access = ProfileAccess::rejected;
    return {};
}

}  // namespace

Status findProfilePath(ProfileFile file, std::string& path) {
    path = pathOf(file);
    return {};
}

Status readProfile(const std::string& path, Profile& profile, const std::vector<std::string_view>& keys,
                   ProfileAccess* access, ProfileRules rules) {
    FileRead read;
    Status status = readFile(path, keys, rules, profile, read);
    if (access != nullptr) *access = read.access;
    return status;
}

Status readProfileFile(ProfileFile file, Profile& profile, const std::vector<std::string_view>& keys,
                       ProfileAccess* access, ProfileRules rules) {
    return readProfile(pathOf(file), profile, keys, access, rules);
}

Status readReadableProfileFile(ProfileFile file, Profile& profile) {
    const std::string path = pathOf(file);
    FileRead read;
    Status status = readFile(path, {}, ProfileRules::opened, profile, read);
    if (!status.ok()) return status;
    if (read.access == ProfileAccess::unreadable) return Status::systemFailure("cannot read", path, read.error);
    if (read.access == ProfileAccess::rejected) {
        return Status::failure("unixODBC reads nothing of " + path + ": " + read.rejection);
    }
    return {};
}

Status readDriverFiles(Profile& system, Profile& user) {
    ProfileAccess access = ProfileAccess::read;
    user.clear();
    Status read = readProfileFile(ProfileFile::drivers, system, {}, &access);
    if (!read.ok() || access == ProfileAccess::rejected) return read;
    return readProfileFile(ProfileFile::userDrivers, user, {}, nullptr, ProfileRules::added);
}

}  // namespace rireve
