#include "state/wanted_files.h"

#include <algorithm>

#include "installer/file_data_sources.h"

namespace rireve {
namespace {

constexpr char kFileDataSourceSection[] = "ODBC";

void addScoped(const std::vector<WantedSection>& sections, Role role, Scope scope, bool prune, FileWanted& wanted) {
    for (const WantedSection& section : sections) {
        if (section.scope != scope) continue;
        wanted.sections.push_back({&section, role});
        if (prune) wanted.pruned = role;
    }
}

// A file data source of the default folder that the state does not name
// goes with prune, once the state names file data sources at all.
bool prunesFile(const WantedState& state, const std::vector<std::string>& paths, const Machine& machine,
                const MachineFile& file, bool prune) {
    if (!prune || state.fileDataSources.empty() || !file.exists) return false;
    const auto& folder = machine.folderFileDataSources;
    return std::find(folder.begin(), folder.end(), file.path) != folder.end() &&
           std::find(paths.begin(), paths.end(), file.path) == paths.end();
}

FileWanted wantedOf(const WantedState& state, const std::vector<std::string>& paths, const Machine& machine,
                    std::size_t index, bool prune) {
    const MachineFile& file = machine.files[index];
    FileWanted wanted;
    wanted.file = index;
    wanted.pruneEntries = prune;
    if (file.kind == FileKind::dataSources) addScoped(state.dataSources, Role::dataSource, *file.scope, prune, wanted);
    if (file.kind == FileKind::drivers) addScoped(state.drivers, Role::driver, *file.scope, prune, wanted);
    if (index == machine.settingsFile && state.settings) wanted.sections.push_back({&*state.settings, Role::settings});
    if (file.kind != FileKind::fileDataSource) return wanted;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (paths[i] == file.path) wanted.sections.push_back({&state.fileDataSources[i], Role::fileDataSource});
    }
    wanted.removeFile = prunesFile(state, paths, machine, file, prune);
    return wanted;
}

}  // namespace

Status resolveFilePaths(WantedState& state, std::vector<std::string>& paths) {
    for (WantedSection& section : state.fileDataSources) {
        std::string& path = paths.emplace_back();
        Outcome resolved = resolveFileDataSourcePath(section.name, path);
        if (!resolved.ok()) return Status::failure(section.where + ".path: " + resolved.status.reason());
        if (std::count(paths.begin(), paths.end(), path) > 1) {
            return Status::failure(section.where + ".path: " + path + " is named twice");
        }
        section.name = kFileDataSourceSection;
    }
    return {};
}

std::vector<FileWanted> wantedFiles(const WantedState& state, const std::vector<std::string>& paths,
                                    const Machine& machine, bool prune) {
    std::vector<FileWanted> files;
    for (std::size_t i = 0; i < machine.files.size(); ++i) {
        FileWanted wanted = wantedOf(state, paths, machine, i, prune);
        if (!wanted.sections.empty() || wanted.pruned || wanted.removeFile) files.push_back(std::move(wanted));
    }
    return files;
}

}  // namespace rireve
