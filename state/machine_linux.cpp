// Linux: the driver manager's files themselves, read as the library's
// writer reads them; the settings are the [ODBC] section of the system's
// driver file.
#include "state/machine.h"

namespace rireve {
namespace {

Status readScopeFile(ProfileFile which, FileKind kind, Scope scope, Machine& machine) {
    MachineFile& file = machine.files.emplace_back();
    file.kind = kind;
    file.scope = scope;
    Status status = findProfilePath(which, file.path);
    if (status.ok() && file.path.empty()) status = Status::failure("the driver manager names no file for " +
                                                                   std::string(scope == Scope::user ? "the user's" : "the system's") +
                                                                   (kind == FileKind::drivers ? " drivers" : " data sources"));
    if (status.ok()) status = readReadableProfileFile(which, file.sections);
    return status;
}

}  // namespace

Status readScopeFiles(Machine& machine) {
    Status status = readScopeFile(ProfileFile::userDataSources, FileKind::dataSources, Scope::user, machine);
    if (status.ok()) status = readScopeFile(ProfileFile::systemDataSources, FileKind::dataSources, Scope::system, machine);
    if (status.ok()) status = readScopeFile(ProfileFile::userDrivers, FileKind::drivers, Scope::user, machine);
    if (status.ok()) status = readScopeFile(ProfileFile::drivers, FileKind::drivers, Scope::system, machine);
    machine.settingsFile = machine.files.size() - 1;
    return status;
}

}  // namespace rireve
