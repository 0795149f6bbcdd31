// Windows: the registry as the driver manager lists it and the installer's
// profile functions read it, in the form of the files a state is planned
// against: each data source's section starts with its driver's name (the
// registry's Driver value, the driver's library, is the installer's to
// keep); every driver is the machine's; the settings are a file of their own.
#include "catalog/catalog.h"
#include "installer/driver_manager_settings.h"
#include "state/machine.h"
#include "state/section_names.h"

namespace rireve {
namespace {

constexpr char kUserDataSources[] = "HKEY_CURRENT_USER\\Software\\ODBC\\ODBC.INI";
constexpr char kSystemDataSources[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBC.INI";
constexpr char kDrivers[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI";

ProfileSection sectionOf(const DataSourceRecord& record) {
    ProfileSection section{std::string(record.name), {}};
    section.entries.push_back({"Driver", std::string(record.driverName)});
    for (const Pair& pair : record.entries) {
        if (!sameProfileName(pair.key, "Driver")) section.entries.push_back({std::string(pair.key), std::string(pair.value)});
    }
    return section;
}

Status readDataSources(Machine& machine) {
    Catalog catalog;
    Outcome listed = listScopedDataSources(static_cast<int>(Scope::user) | static_cast<int>(Scope::system), catalog);
    if (!listed.ok()) return listed.status;
    MachineFile user{FileKind::dataSources, Scope::user, kUserDataSources, true, {}};
    MachineFile system{FileKind::dataSources, Scope::system, kSystemDataSources, true, {}};
    for (const DataSourceRecord& record : catalog.dataSources) {
        if (record.vanished || !record.scope) continue;
        (*record.scope == Scope::user ? user : system).sections.push_back(sectionOf(record));
    }
    machine.files.push_back(std::move(user));
    machine.files.push_back(std::move(system));
    return {};
}

Status readDrivers(Machine& machine) {
    Catalog catalog;
    Outcome listed = listDrivers(catalog);
    if (!listed.ok()) return listed.status;
    // The user scope holds no drivers: a state naming one there is refused by the installer.
    machine.files.push_back({FileKind::drivers, Scope::user, "(no user drivers on Windows)", false, {}});
    MachineFile& system = machine.files.emplace_back(MachineFile{FileKind::drivers, Scope::system, kDrivers, true, {}});
    for (const DriverRecord& record : catalog.drivers) {
        if (record.vanished) continue;
        ProfileSection& section = system.sections.emplace_back();
        section.name = std::string(record.description);
        for (const Pair& pair : record.attributes) section.entries.push_back({std::string(pair.key), std::string(pair.value)});
    }
    return {};
}

Status readSettings(Machine& machine) {
    DriverManagerSettings settings;
    Outcome read = readDriverManagerSettings(settings);
    if (!read.ok()) return read.status;
    MachineFile& file = machine.files.emplace_back(MachineFile{FileKind::settings, std::nullopt, settings.path, true, {}});
    ProfileSection& section = file.sections.emplace_back();
    section.name = std::string(settingsSectionName());
    for (const auto& [key, value] : settings.entries) section.entries.push_back({key, value});
    machine.settingsFile = machine.files.size() - 1;
    return {};
}

}  // namespace

Status readScopeFiles(Machine& machine) {
    Status status = readDataSources(machine);
    if (status.ok()) status = readDrivers(machine);
    if (status.ok()) status = readSettings(machine);
    return status;
}

}  // namespace rireve
