// The file data sources of a machine, read through the installer on every
// platform; the rest is each platform's own (machine_linux.cpp, machine_windows.cpp).
#include "state/machine.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "installer/file_data_sources.h"

namespace rireve {
namespace {

constexpr char kFileDataSourceSection[] = "ODBC";

MachineFile fileOf(const FileDataSource& source) {
    MachineFile file{FileKind::fileDataSource, std::nullopt, source.path, true, {}};
    ProfileSection& section = file.sections.emplace_back();
    section.name = kFileDataSourceSection;
    for (const auto& [key, value] : source.entries) section.entries.push_back({key, value});
    return file;
}

bool listed(const Machine& machine, const std::string& path) {
    return std::any_of(machine.files.begin(), machine.files.end(),
                       [&](const MachineFile& file) { return file.kind == FileKind::fileDataSource && file.path == path; });
}

bool canOpen(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    return file != nullptr;
}

// A file that cannot be opened is one the state makes; one that is there
// but is no file data source fails the plan.
Status readNamedFile(const std::string& path, Machine& machine) {
    if (listed(machine, path)) return {};
    if (!canOpen(path)) {
        machine.files.push_back({FileKind::fileDataSource, std::nullopt, path, false, {}});
        return {};
    }
    FileDataSource source;
    Outcome read = readFileDataSource(path, source);
    if (!read.ok()) return read.status;
    machine.files.push_back(fileOf(source));
    return {};
}

Status readFolder(Machine& machine) {
    std::vector<FileDataSource> found;
    Outcome listedFiles = listFileDataSources("", found);
    if (!listedFiles.ok()) return listedFiles.status;
    for (const FileDataSource& source : found) {
        machine.folderFileDataSources.push_back(source.path);
        if (!listed(machine, source.path)) machine.files.push_back(fileOf(source));
    }
    return {};
}

}  // namespace

Status readMachine(const std::vector<std::string>& paths, bool listFolder, Machine& machine) {
    Status status = readScopeFiles(machine);
    for (const std::string& path : paths) {
        if (status.ok()) status = readNamedFile(path, machine);
    }
    if (status.ok() && listFolder) status = readFolder(machine);
    return status;
}

const MachineFile* findFile(const Machine& machine, FileKind kind, std::optional<Scope> scope) {
    for (const MachineFile& file : machine.files) {
        if (file.kind == kind && file.scope == scope) return &file;
    }
    return nullptr;
}

}  // namespace rireve
