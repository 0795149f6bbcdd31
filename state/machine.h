// The configuration as a state sees it: the files it is kept in, each with
// its sections, read once per plan. On Linux the driver manager's files
// themselves; on Windows what the driver manager and the installer's profile
// functions show of the registry, in the same form. One implementation file
// per platform.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/status.h"
#include "catalog/scope.h"
#include "profile/profile.h"

namespace rireve {

enum class FileKind { dataSources, drivers, settings, fileDataSource };

struct MachineFile {
    FileKind kind = FileKind::dataSources;
    std::optional<Scope> scope;
    std::string path;
    bool exists = true;
    Profile sections;
};

struct Machine {
    // The data source and driver files of each scope, then the file data sources.
    std::vector<MachineFile> files;
    // The file whose [ODBC] section holds the driver manager's settings (on
    // Linux the system's driver file, on Windows a file of its own).
    std::size_t settingsFile = 0;
    // The file data sources of the default folder, by path.
    std::vector<std::string> folderFileDataSources;
};

// Reads the data source and driver files of both scopes and the settings,
// the file data sources at `paths` (full paths; a missing one does not
// exist), and with `listFolder` the names of those of the default folder.
Status readMachine(const std::vector<std::string>& paths, bool listFolder, Machine& machine);

// The data source and driver files of both scopes and the settings' file
// (one implementation file per platform).
Status readScopeFiles(Machine& machine);

// The file of that kind and scope, or null.
const MachineFile* findFile(const Machine& machine, FileKind kind, std::optional<Scope> scope);

}  // namespace rireve
