// Linux: all of the files or none. Every file to change is opened (and
// locked) first, in the order of their paths, so that two processes never
// wait for each other; then each is written once.
#include <algorithm>
#include <memory>

#include "installer/data_source_file_linux.h"
#include "profile/profile_writer_linux.h"
#include "state/carry_out.h"

namespace rireve {
namespace {

// The user's files and file data sources keep their secrets their owner's.
bool keepsSecretsPrivate(const MachineFile& file) { return file.scope != Scope::system; }

ProfileWriter::SectionPlan sectionPlanOf(const SectionChange& change) {
    switch (change.kind) {
        case SectionChange::Kind::put: return planPut(change.section);
        case SectionChange::Kind::edit: return planEdits(change.name, change.edits);
        case SectionChange::Kind::remove: return planRemoval(change.name);
    }
    return planEdits(change.name, {});
}

struct OpenFile {
    OpenFile(const MachineFile& machineFile, const FileWanted& fileWanted, bool receivesSecret)
        : file(&machineFile), wanted(&fileWanted), secret(receivesSecret) {}
    const MachineFile* file;
    const FileWanted* wanted;
    bool secret;
    ProfileWriter writer;
};

// Writes the file, its changes decided from the version written; those
// changes are the report's.
Status writeFile(OpenFile& open, std::vector<StateChange>& changes) {
    if (open.secret && keepsSecretsPrivate(*open.file)) open.writer.keepPrivate();
    if (open.wanted->removeFile) return open.writer.removeFile();
    return open.writer.carryOut([&](const Profile& sections, ProfileWriter::FilePlan& plan) {
        FileChanges decided;
        Status status = planFile(sections, *open.wanted, open.file->path, decided);
        for (const SectionChange& change : decided.sections) plan.push_back(sectionPlanOf(change));
        changes.insert(changes.end(), decided.changes.begin(), decided.changes.end());
        return status;
    });
}

// A scope's file as the installer opens it (a system file this process may
// not change says who may); a file data source by its path.
Status openFile(OpenFile& open, const RequestOptions& options) {
    const MachineFile& file = *open.file;
    if (file.kind == FileKind::fileDataSource) return open.writer.openPath(file.path, options.lockWait);
    const bool drivers = file.kind == FileKind::drivers;
    return openScopeFile(*file.scope, drivers ? ProfileFile::userDrivers : ProfileFile::userDataSources,
                         drivers ? ProfileFile::drivers : ProfileFile::systemDataSources, options,
                         drivers ? "the system's drivers are installed" : "system data sources are changed", open.writer);
}

void putBack(std::vector<std::unique_ptr<OpenFile>>& files, std::size_t written, ApplyReport& report) {
    for (std::size_t i = written; i-- > 0;) {
        Status back = files[i]->writer.putBack();
        if (back.ok()) report.restored.push_back(files[i]->file->path);
        if (!back.ok()) report.failure += "; " + back.reason();
    }
}

}  // namespace

void carryOutPlan(const Machine& machine, const std::vector<FileWanted>& wanted,
                  const std::vector<FileChanges>& planned, const RequestOptions& options, ApplyReport& report) {
    std::vector<std::unique_ptr<OpenFile>> files;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (planned[i].changes.empty()) continue;
        const MachineFile& file = machine.files[wanted[i].file];
        files.push_back(std::make_unique<OpenFile>(file, wanted[i], planned[i].receivesSecret));
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a->file->path < b->file->path; });
    Status status;
    for (auto& open : files) {
        if (status.ok()) status = openFile(*open, options);
    }
    std::vector<StateChange> changes;
    std::size_t written = 0;
    while (status.ok() && written < files.size()) {
        status = writeFile(*files[written], changes);
        if (status.ok()) ++written;
    }
    if (status.ok()) {
        report.changes = std::move(changes);
        report.changed = !report.changes.empty();
        return;
    }
    report.failure = status.reason();
    putBack(files, written, report);
}

}  // namespace rireve
