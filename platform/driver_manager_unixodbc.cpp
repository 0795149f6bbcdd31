// unixODBC (2.3.11 measured): its files, named by its installer library
// through functions it exports without declaring them in a public header,
// and where it lacks one by the same rules: $ODBCSYSINI or /etc for the
// system's folder, $ODBCINSTINI or odbcinst.ini for its driver file, $ODBCINI
// or .odbc.ini in the home folder of the password file for the user's data
// sources, .odbcinst.ini in $HOME for the user's drivers. Its reader, its
// listing's ODBCSEARCH, and libltdl, through which it loads drivers.
#include <climits>
#include <cstdlib>

#include "base/text_rules.h"
#include "platform/driver_manager.h"
#include "platform/home_folder_linux.h"
#include "platform/installer_library.h"

namespace rireve {
namespace {

// unixODBC's own: it keeps the folder it first found for the process's life.
using IniPathProc = BOOL (*)(char*, BOOL);  // _odbcinst_UserINI, _odbcinst_SystemINI
using FilePartProc = char* (*)(char*);      // odbcinst_system_file_path, ...

struct Part {
    std::string text;
    std::string why;
};

// The entry point of that name, bound; `why` says so.
template <typename Proc>
Proc bound(const char* name, std::string& why) {
    const InstallerProc proc = findInstallerProc(name);
    if (proc.bound()) why = std::string(name) + " of " + proc.library;
    return reinterpret_cast<Proc>(proc.address);
}

Part environmentOr(const char* name, const char* otherwise) {
    const char* value = name != nullptr ? std::getenv(name) : nullptr;
    if (value != nullptr) return {value, "$" + std::string(name)};
    return {otherwise, "the default " + std::string(otherwise)};
}

Part filePart(const char* name, const char* variable, const char* otherwise) {
    std::string why;
    if (const FilePartProc proc = bound<FilePartProc>(name, why)) {
        char buffer[PATH_MAX + 1] = {};
        // It may answer with a text of its own rather than the buffer.
        return {proc(buffer), why};
    }
    return environmentOr(variable, otherwise);
}

ConfigurationPath joined(const Part& folder, const Part& name) {
    return {folder.text + "/" + name.text, "the folder from " + folder.why + ", the name from " + name.why};
}

Part systemFolder() { return filePart("odbcinst_system_file_path", "ODBCSYSINI", "/etc"); }

// The data source files: its own answer where it gives one (empty when it fails).
bool iniPath(const char* name, ConfigurationPath& path) {
    const IniPathProc proc = bound<IniPathProc>(name, path.why);
    if (proc == nullptr) return false;
    char buffer[PATH_MAX + 1] = {};
    path.path = proc(buffer, FALSE) ? buffer : "";
    return true;
}

ConfigurationPath userDataSources() {
    ConfigurationPath path;
    if (iniPath("_odbcinst_UserINI", path)) return path;
    const char* named = std::getenv("ODBCINI");
    if (named != nullptr && *named != '\0') return {named, "$ODBCINI"};
    return {passwordHome() + "/.odbc.ini", "the home folder of the password file"};
}

ConfigurationPath findFile(ConfigurationFile file) {
    ConfigurationPath path;
    switch (file) {
        case ConfigurationFile::drivers:
            return joined(systemFolder(), filePart("odbcinst_system_file_name", "ODBCINSTINI", "odbcinst.ini"));
        case ConfigurationFile::userDrivers:
            return joined(filePart("odbcinst_user_file_path", "HOME", "/home"),
                          filePart("odbcinst_user_file_name", nullptr, ".odbcinst.ini"));
        case ConfigurationFile::systemDataSources:
            if (iniPath("_odbcinst_SystemINI", path)) return path;
            return joined(systemFolder(), {"odbc.ini", "the default odbc.ini"});
        case ConfigurationFile::userDataSources: return userDataSources();
    }
    return path;
}

// Built for 64 bits it reads Driver64 (Setup64) before Driver (Setup).
std::vector<std::string_view> libraryKeys(std::string_view key) {
    if (sizeof(void*) == 8) return {key == "Driver" ? "Driver64" : "Setup64", key};
    return {key};
}

}  // namespace

const DriverManager kUnixOdbc = {
    "unixODBC",
    "libodbc.so.2",
    "libodbcinst.so.2",
    findFile,
    // It reads a line into 1000 bytes with its NUL: the line limit this
    // library keeps for every text it writes (base/text_rules.h).
    {kMaxLineBytes, "#;", true},
    "ODBC",
    "ODBC Data Sources",
    {"ODBCSEARCH", "ODBC_USER_DSN", "ODBC_SYSTEM_DSN"},
    // libltdl's own path; Debian's driver packages put their libraries in
    // the module folder, /usr/lib/<triplet>/odbc.
    {"LTDL_LIBRARY_PATH", "odbc", libraryKeys},
    "UsageCount",
    "FileDSNPath",
    "ODBCDataSources",
};

}  // namespace rireve
