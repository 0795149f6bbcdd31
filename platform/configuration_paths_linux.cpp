#include "platform/configuration_paths_linux.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/installer_library.h"

namespace rireve {
namespace {

// unixODBC's own: it keeps the folder it first found for the process's life.
using IniPathProc = BOOL (*)(char*, BOOL);  // _odbcinst_UserINI, _odbcinst_SystemINI
using FilePartProc = char* (*)(char*);      // odbcinst_system_file_path, ...

template <typename Proc>
Proc bound(const char* name) {
    return reinterpret_cast<Proc>(findInstallerProc(name).address);
}

std::string environmentOr(const char* name, const char* otherwise) {
    const char* value = name != nullptr ? std::getenv(name) : nullptr;
    return value != nullptr ? value : otherwise;
}

std::string passwordHome() {
    char buffer[4096];
    struct passwd entry = {};
    struct passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return "/home";
}

std::string filePart(const char* name, const char* variable, const char* otherwise) {
    if (const FilePartProc proc = bound<FilePartProc>(name)) {
        char buffer[PATH_MAX + 1] = {};
        // It may answer with a text of its own rather than the buffer.
        return proc(buffer);
    }
    return environmentOr(variable, otherwise);
}

std::string systemFolder() { return filePart("odbcinst_system_file_path", "ODBCSYSINI", "/etc"); }

}  // namespace

std::string driverFilePath() {
    return systemFolder() + "/" + filePart("odbcinst_system_file_name", "ODBCINSTINI", "odbcinst.ini");
}

std::string userDriverFilePath() {
    return filePart("odbcinst_user_file_path", "HOME", "/home") + "/" +
           filePart("odbcinst_user_file_name", nullptr, ".odbcinst.ini");
}

std::string systemDataSourceFilePath() {
    if (const IniPathProc proc = bound<IniPathProc>("_odbcinst_SystemINI")) {
        char buffer[PATH_MAX + 1] = {};
        return proc(buffer, FALSE) ? buffer : "";
    }
    return systemFolder() + "/odbc.ini";
}

std::string userDataSourceFilePath() {
    if (const IniPathProc proc = bound<IniPathProc>("_odbcinst_UserINI")) {
        char buffer[PATH_MAX + 1] = {};
        return proc(buffer, FALSE) ? buffer : "";
    }
    const char* named = std::getenv("ODBCINI");
    return named != nullptr && *named != '\0' ? named : passwordHome() + "/.odbc.ini";
}

}  // namespace rireve
