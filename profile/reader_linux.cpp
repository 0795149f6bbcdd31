// Linux: the files read with unixODBC's own reader, bound from its installer
// library on every read, so that a failure to bind is seen at once.
#include <fcntl.h>

#include <cerrno>
#include <climits>

#include "base/text_rules.h"
#include "platform/ini_reader_linux.h"
#include "profile/file_system_linux.h"
#include "profile/profile.h"

namespace rireve {
namespace {

Status bindReader(IniReader& reader) {
    std::string reason;
    if (bindIniReader(reader, reason)) return {};
    return Status::failure("cannot read the ODBC configuration: " + reason);
}

bool wanted(const std::vector<std::string_view>& keys, std::string_view key) {
    if (keys.empty()) return true;
    for (std::string_view wantedKey : keys) {
        if (sameProfileName(wantedKey, key)) return true;
    }
    return false;
}

void readEntries(const IniReader& reader, IniHandle ini, const std::vector<std::string_view>& keys,
                 ProfileSection& section) {
    char key[kTextBufferSize] = {};
    char value[kTextBufferSize] = {};
    for (reader.firstProperty(ini); !reader.propertiesEnd(ini); reader.nextProperty(ini)) {
        reader.property(ini, key);
        if (!wanted(keys, key)) continue;
        reader.value(ini, value);
        section.entries.push_back({key, value});
    }
}

std::string driversPath(FilePartProc folder, FilePartProc name) {
    char folderBuffer[PATH_MAX + 1] = {};
    char nameBuffer[PATH_MAX + 1] = {};
    // Either may answer with a text of its own rather than the buffer.
    return std::string(folder(folderBuffer)) + "/" + name(nameBuffer);
}

std::string dataSourcesPath(IniPathProc path) {
    char buffer[PATH_MAX + 1] = {};
    if (!path(buffer, FALSE)) return {};
    return buffer;
}

std::string pathOf(const IniReader& reader, ProfileFile file) {
    switch (file) {
        case ProfileFile::drivers: return driversPath(reader.driverFolder, reader.driverFile);
        case ProfileFile::userDrivers: return driversPath(reader.userDriverFolder, reader.userDriverFile);
        case ProfileFile::systemDataSources: return dataSourcesPath(reader.systemFile);
        case ProfileFile::userDataSources: return dataSourcesPath(reader.userFile);
    }
    return {};
}

// `openError`, when given, gets the errno of a file that could not be opened.
Status readWith(const IniReader& reader, const std::string& path, Profile& profile,
                const std::vector<std::string_view>& keys, ProfileAccess* access, int* openError = nullptr) {
    profile.clear();
    if (access != nullptr) *access = ProfileAccess::read;
    // The reader's own open would wait for a FIFO's writer: the file is
    // opened here first, without blocking, to see that it is a regular one.
    // (The reader is given the path itself: it keeps what it read of a path
    // by name, so a descriptor's /proc name would mix files up.)
    Descriptor file;
    struct stat status = {};
    int error = 0;
    Status opened = openRegularFile(path, O_RDONLY, file, status, error);
    if (openError != nullptr) *openError = error;
    if (error != 0) {  // missing or unreadable: no sections, as for the driver manager
        if (access != nullptr) *access = error == ENOENT ? ProfileAccess::missing : ProfileAccess::unreadable;
        return {};
    }
    if (!opened.ok()) return opened;
    IniHandle ini = nullptr;
    char comments[] = "#;";
    std::string pathText = path;
    if (reader.open(&ini, pathText.data(), comments, '[', ']', '=', FALSE) != kIniSuccess) return {};
    char name[kTextBufferSize] = {};
    for (reader.firstObject(ini); !reader.objectsEnd(ini); reader.nextObject(ini)) {
        reader.object(ini, name);
        profile.push_back({name, {}});
        readEntries(reader, ini, keys, profile.back());
    }
    reader.close(ini);
    return {};
}

}  // namespace

Status findProfilePath(ProfileFile file, std::string& path) {
    IniReader reader;
    Status bound = bindReader(reader);
    if (bound.ok()) path = pathOf(reader, file);
    return bound;
}

Status readProfile(const std::string& path, Profile& profile, const std::vector<std::string_view>& keys,
                   ProfileAccess* access) {
    profile.clear();
    IniReader reader;
    Status bound = bindReader(reader);
    if (!bound.ok()) return bound;
    return readWith(reader, path, profile, keys, access);
}

Status readProfileFile(ProfileFile file, Profile& profile, const std::vector<std::string_view>& keys,
                       ProfileAccess* access) {
    profile.clear();
    IniReader reader;
    Status bound = bindReader(reader);
    if (!bound.ok()) return bound;
    return readWith(reader, pathOf(reader, file), profile, keys, access);
}

Status readReadableProfileFile(ProfileFile file, Profile& profile) {
    profile.clear();
    IniReader reader;
    Status bound = bindReader(reader);
    if (!bound.ok()) return bound;
    const std::string path = pathOf(reader, file);
    ProfileAccess access = ProfileAccess::read;
    int error = 0;
    Status read = readWith(reader, path, profile, {}, &access, &error);
    if (!read.ok() || access != ProfileAccess::unreadable) return read;
    return Status::systemFailure("cannot read", path, error);
}

Status readDriverFiles(Profile& system, Profile& user) {
    Status read = readProfileFile(ProfileFile::drivers, system);
    return read.ok() ? readProfileFile(ProfileFile::userDrivers, user) : read;
}

}  // namespace rireve
