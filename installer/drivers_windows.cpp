// Windows: drivers through the installer library (SQLInstallDriverEx,
// SQLRemoveDriver, whose usage count is the installer's own, and the
// profile functions on ODBCINST.INI).
#include "base/text_rules.h"
#include "installer/installed_drivers.h"
#include "platform/installer_profile.h"

namespace rireve {
namespace {

constexpr char kDriverFile[] = "ODBCINST.INI";

using InstallDriverExProc = BOOL(INSTAPI*)(LPCSTR, LPCSTR, LPSTR, WORD, WORD*, WORD, LPDWORD);
using RemoveDriverProc = BOOL(INSTAPI*)(LPCSTR, BOOL, LPDWORD);

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
    const auto install = bindInstallerProc<InstallDriverExProc>("SQLInstallDriverEx", status);
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
    const auto remove = bindInstallerProc<RemoveDriverProc>("SQLRemoveDriver", status);
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

}  // namespace rireve
