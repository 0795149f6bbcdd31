// Windows: drivers through the installer library (SQLInstallDriverEx,
// SQLRemoveDriver, whose usage count is the installer's own, and the
// profile functions on ODBCINST.INI); the driver manager's settings through
// the profile functions on the user's ODBC.INI; file data sources through
// SQLReadFileDSN and SQLWriteFileDSN.
#include <algorithm>
#include <cerrno>

#include "installer/drivers.h"
#include "platform/installer_profile.h"

namespace rireve {
namespace {

constexpr char kDriverFile[] = "ODBCINST.INI";
constexpr char kSettingsSection[] = "ODBC";

using InstallDriverExProc = BOOL(INSTAPI*)(LPCSTR, LPCSTR, LPSTR, WORD, WORD*, WORD, LPDWORD);
using RemoveDriverProc = BOOL(INSTAPI*)(LPCSTR, BOOL, LPDWORD);
using ReadFileDsnProc = BOOL(INSTAPI*)(LPCSTR, LPCSTR, LPCSTR, LPSTR, WORD, WORD*);
using WriteFileDsnProc = BOOL(INSTAPI*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR);

// The entry point, or null with the reason in `status`.
template <typename Proc>
Proc bind(const char* name, Status& status) {
    const InstallerProc found = resolveInstallerProc(name);
    if (!found.bound()) status = Status::failure(found.reason(name));
    return found.bound() ? procAddress<Proc>(found) : nullptr;
}

Status machineWide(Scope scope) {
    if (scope == Scope::system) return {};
    return Status::failure("drivers are installed for the whole machine on Windows: the user scope has none");
}

std::string valueOf(const Entries& entries, std::string_view key) {
    std::string value;
    for (const auto& [each, text] : entries) {
        if (sameProfileName(each, key)) value = text;
    }
    return value;
}

// The installer's driver list: the name, then each KEY=VALUE, each ended by a NUL, and a NUL after all.
std::string driverList(const DriverInstall& request) {
    std::string list = request.name;
    list += '\0';
    for (const auto& [key, value] : request.entries) {
        list.append(key).append("=").append(value);
        list += '\0';
    }
    list += '\0';
    return list;
}

Status installedLibrary(std::string_view name, std::string& library) {
    const InstallerProfile profile(ODBC_BOTH_DSN, kDriverFile);
    if (!profile.status().ok()) return profile.status();
    return profile.readValue(std::string(name), "Driver", library);
}

bool isFullPath(std::string_view path) {
    return path.size() > 2 && ((path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
                               (path[0] == '\\' && path[1] == '\\'));
}

Status readFileDsn(const std::string& path, const char* key, std::string& text) {
    Status bound;
    const auto read = bind<ReadFileDsnProc>("SQLReadFileDSN", bound);
    if (read == nullptr) return bound;
    std::string buffer(32768, '\0');
    WORD length = 0;
    if (!read(path.c_str(), kSettingsSection, key, &buffer[0], static_cast<WORD>(buffer.size() - 1), &length)) {
        return Status::failure("the ODBC installer could not read " + path + lastInstallerError());
    }
    text.assign(buffer.c_str(), std::min<std::size_t>(length, buffer.size() - 1));
    return {};
}

std::vector<std::string> splitKeys(std::string_view list) {
    std::vector<std::string> keys;
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        if (end > start) keys.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return keys;
}

}  // namespace

Outcome installDriver(const DriverInstall& request, const RequestOptions&, DriverUsage& usage) {
    Status status = machineWide(request.scope);
    const std::string library = valueOf(request.entries, "Driver");
    if (status.ok() && library.empty()) status = Status::failure("the driver " + request.name + " has no Driver entry naming its library");
    std::string installed;
    if (status.ok()) status = installedLibrary(request.name, installed);
    if (status.ok() && !installed.empty() && installed != library && !request.replace) {
        status = Status::failure("the driver " + request.name + " is installed with the library " + installed + ", not " +
                                 library + "; ask for replacement to install this one in its place");
    }
    if (!status.ok()) return Outcome::of(status);
    const auto install = bind<InstallDriverExProc>("SQLInstallDriverEx", status);
    if (install == nullptr) return Outcome::of(status);
    const std::string list = driverList(request);
    const std::size_t slash = library.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? std::string() : library.substr(0, slash);
    char pathOut[MAX_PATH] = {};
    WORD pathLength = 0;
    DWORD count = 0;
    const auto turn = InstallerProfile::takeModeTurn();
    if (!install(list.c_str(), folder.empty() ? nullptr : folder.c_str(), pathOut, sizeof pathOut, &pathLength,
                 ODBC_INSTALL_COMPLETE, &count)) {
        return Outcome::of(Status::failure("the ODBC installer refused to install " + request.name + lastInstallerError()));
    }
    usage = DriverUsage{static_cast<long>(count), true, {}, {}};
    return {};
}

Outcome removeDriver(std::string_view name, Scope scope, bool removeDataSources, const RequestOptions&,
                     DriverUsage& usage) {
    Status status = machineWide(scope);
    if (!status.ok()) return Outcome::of(status);
    const auto remove = bind<RemoveDriverProc>("SQLRemoveDriver", status);
    if (remove == nullptr) return Outcome::of(status);
    DWORD count = 0;
    const auto turn = InstallerProfile::takeModeTurn();
    if (!remove(std::string(name).c_str(), removeDataSources ? TRUE : FALSE, &count)) {
        return Outcome::of(Status::failure("the ODBC installer refused to remove " + std::string(name) + lastInstallerError()));
    }
    usage = DriverUsage{static_cast<long>(count), count > 0, {}, {}};
    return {};
}

Outcome configureDriver(std::string_view name, Scope scope, const std::vector<EntryEdit>& edits, const RequestOptions&) {
    Status status = machineWide(scope);
    std::string library;
    if (status.ok()) status = installedLibrary(name, library);
    if (status.ok() && library.empty()) status = Status::failure("no driver named " + std::string(name) + " is installed");
    if (!status.ok()) return Outcome::of(status);
    const InstallerProfile profile(ODBC_BOTH_DSN, kDriverFile);
    for (const EntryEdit& edit : edits) {
        status = profile.write(std::string(name), edit.key, edit.value ? edit.value->c_str() : nullptr);
        if (!status.ok()) return Outcome::of(status);
    }
    return Outcome::of(profile.status());
}

Outcome listUserDrivers(std::vector<std::string>&) { return {}; }

Outcome readDriverManagerSettings(DriverManagerSettings& settings) {
    settings.path = "ODBC.INI [ODBC] (the user's)";
    const InstallerProfile profile(ODBC_USER_DSN);
    std::vector<std::string> keys;
    Status status = profile.status().ok() ? profile.readKeys(kSettingsSection, keys) : profile.status();
    for (const std::string& key : keys) {
        std::string value;
        if (status.ok()) status = profile.readValue(kSettingsSection, key, value);
        settings.entries.emplace_back(key, value);
    }
    return Outcome::of(status);
}

Outcome configureDriverManager(const std::vector<EntryEdit>& edits, const RequestOptions&) {
    const InstallerProfile profile(ODBC_USER_DSN);
    for (const EntryEdit& edit : edits) {
        Status status = profile.write(kSettingsSection, edit.key, edit.value ? edit.value->c_str() : nullptr);
        if (!status.ok()) return Outcome::of(status);
    }
    return Outcome::of(profile.status());
}

// The installer's default folder for file data sources, as the ODBC
// administrator keeps it in the registry.
Outcome findFileDataSourceFolder(std::string& folder) {
    char text[MAX_PATH] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ODBC\\ODBC.INI\\ODBC File DSN", "DefaultDSNDir", RRF_RT_REG_SZ,
                     nullptr, text, &size) == ERROR_SUCCESS) {
        folder = text;
        return {};
    }
    folder = "C:\\Program Files\\Common Files\\ODBC\\Data Sources";
    return {};
}

Outcome resolveFileDataSourcePath(std::string_view given, std::string& path) {
    if (given.empty()) return Outcome::of(Status::failure("the file data source's path is empty"));
    if (isFullPath(given)) {
        path = std::string(given);
        return {};
    }
    std::string folder;
    Outcome found = findFileDataSourceFolder(folder);
    return found.ok() ? placeInFolder(given, folder, "\\/", '\\', path) : found;
}

Outcome listFileDataSources(const std::string& given, std::vector<FileDataSource>& found) {
    std::string folder = given;
    if (folder.empty()) {
        Outcome located = findFileDataSourceFolder(folder);
        if (!located.ok()) return located;
    }
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA((folder + "\\*.dsn").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || (error == ERROR_PATH_NOT_FOUND && given.empty())) return {};
        return Outcome::of(Status::failure("cannot list " + folder + " (Windows error " + std::to_string(error) + ")"));
    }
    std::vector<std::string> names;
    do {
        names.emplace_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string path = folder;
        path.append("\\").append(name);
        FileDataSource source;
        if (readFileDataSource(path, source).ok()) found.push_back(std::move(source));
    }
    return {};
}

Outcome readFileDataSource(const std::string& path, FileDataSource& found) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return Outcome::of(Status::systemFailure("cannot read", path, ENOENT));
    }
    std::string list;
    Status status = readFileDsn(path, nullptr, list);
    const std::vector<std::string> keys = splitKeys(list);
    if (status.ok() && keys.empty()) status = Status::failure(path + " is not a file data source: it has no [ODBC] section");
    for (const std::string& key : keys) {
        std::string value;
        if (status.ok()) status = readFileDsn(path, key.c_str(), value);
        found.entries.emplace_back(key, value);
    }
    found.path = path;
    return Outcome::of(status);
}

Outcome writeFileDataSource(const std::string& path, const Entries& entries, const RequestOptions&) {
    Status status;
    const auto write = bind<WriteFileDsnProc>("SQLWriteFileDSN", status);
    if (write == nullptr) return Outcome::of(status);
    FileDataSource existing;
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) (void)readFileDataSource(path, existing);
    for (const auto& entry : existing.entries) {
        const std::string& key = entry.first;
        const bool kept = std::any_of(entries.begin(), entries.end(),
                                      [&](const auto& pair) { return sameProfileName(pair.first, key); });
        if (!kept && !write(path.c_str(), kSettingsSection, key.c_str(), nullptr)) {
            return Outcome::of(Status::failure("the ODBC installer could not write " + path + lastInstallerError()));
        }
    }
    for (const auto& [key, value] : entries) {
        if (!write(path.c_str(), kSettingsSection, key.c_str(), value.c_str())) {
            return Outcome::of(Status::failure("the ODBC installer could not write " + path + lastInstallerError()));
        }
    }
    return {};
}

Outcome removeFileDataSource(const std::string& path, const RequestOptions&) {
    FileDataSource existing;
    Outcome read = readFileDataSource(path, existing);
    if (!read.ok()) return read;
    if (!DeleteFileA(path.c_str())) {
        return Outcome::of(Status::failure("cannot remove " + path + " (Windows error " + std::to_string(GetLastError()) + ")"));
    }
    return {};
}

}  // namespace rireve
