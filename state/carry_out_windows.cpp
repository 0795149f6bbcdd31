// Windows: the installer's own requests, one section at a time, as the
// library's other changes make them (a data source through SQLConfigDataSource,
// a driver through SQLInstallDriverEx and SQLRemoveDriver, the settings and
// the drivers' entries through the profile functions). The registry has no
// replacement of a whole file: what a request has done stays done when a
// later one fails, and the report says where it stopped.
#include <cstring>

#include "installer/drivers.h"
#include "installer/registration.h"
#include "state/carry_out.h"
#include "state/section_names.h"

namespace rireve {
namespace {

const ProfileSection* currentOf(const MachineFile& file, const std::string& name) {
    return findSection(file.sections, name);
}

// The section as it is once the change is made.
std::vector<ProfileEntry> entriesAfter(const MachineFile& file, const SectionChange& change) {
    if (change.kind == SectionChange::Kind::put) return change.section.entries;
    const ProfileSection* current = currentOf(file, change.name);
    std::vector<ProfileEntry> entries = current != nullptr ? current->entries : std::vector<ProfileEntry>{};
    editEntries(entries, change.edits);
    return entries;
}

Status copyName(const std::string& text, char* out, std::size_t size) {
    if (text.size() >= size) return Status::failure("the name " + text + " is too long for the installer");
    std::memcpy(out, text.c_str(), text.size() + 1);
    return {};
}

// A registration (SQLConfigDataSource's ODBC_ADD_DSN replaces the data source
// of that name) of the entries, the first of them its driver.
Status register_(Scope scope, const std::string& name, const std::vector<ProfileEntry>& entries,
                 const RequestOptions& options) {
    Registration registration;
    registration.request.scope = scope;
    std::string driver;
    for (const ProfileEntry& entry : entries) {
        if (sameProfileName(entry.key, "Driver")) driver = entry.value;
        if (!sameProfileName(entry.key, "Driver")) registration.entries.emplace_back(entry.key, entry.value);
    }
    Status status = copyName(name, registration.request.name, sizeof registration.request.name);
    if (status.ok()) status = copyName(driver, registration.request.driver, sizeof registration.request.driver);
    std::string joined;
    std::string why;
    if (status.ok() && joinEntries(registration.entries, joined, why) != TextCheck::ok) status = Status::failure(why);
    const std::string_view attributes(joined);
    if (status.ok() && composeAttributeText(name, &attributes, registration.request.text) != TextCheck::ok) {
        status = Status::failure("the entries of " + name + " do not fit the installer's attribute text");
    }
    return status.ok() ? addDataSource(registration, options).status : status;
}

bool changesDriver(const SectionChange& change) {
    for (const EntryEdit& edit : change.edits) {
        if (sameProfileName(edit.key, "Driver")) return true;
    }
    return false;
}

Status changeDataSource(const MachineFile& file, const SectionChange& change, const RequestOptions& options) {
    const Scope scope = *file.scope;
    if (change.kind == SectionChange::Kind::put || changesDriver(change)) {
        return register_(scope, change.name, entriesAfter(file, change), options);
    }
    if (change.kind == SectionChange::Kind::edit) {
        EntryRequest request;
        request.scope = scope;
        request.edits = change.edits;
        Status status = copyName(change.name, request.name, sizeof request.name);
        return status.ok() ? editEntries(request, options).status : status;
    }
    Request request;
    request.scope = scope;
    const ProfileSection* current = currentOf(file, change.name);
    const std::string* driver = current != nullptr ? findValue(*current, "Driver") : nullptr;
    Status status = copyName(change.name, request.name, sizeof request.name);
    if (status.ok()) status = copyName(driver != nullptr ? *driver : std::string(), request.driver, sizeof request.driver);
    if (status.ok() && composeAttributeText(change.name, nullptr, request.text) != TextCheck::ok) {
        status = Status::failure("the data source name " + change.name + " is refused by the installer");
    }
    return status.ok() ? removeDataSource(request, options).status : status;
}

Status changeDriver(const MachineFile& file, const SectionChange& change, const RequestOptions& options) {
    DriverUsage usage;
    if (change.kind == SectionChange::Kind::edit) return configureDriver(change.name, *file.scope, change.edits, options).status;
    if (change.kind == SectionChange::Kind::remove) return removeDriver(change.name, *file.scope, false, options, usage).status;
    // The installer counts the use itself.
    DriverInstall install{change.name, {}, *file.scope, false};
    for (const ProfileEntry& entry : change.section.entries) {
        if (!sameProfileName(entry.key, usageCountKeyName())) install.entries.emplace_back(entry.key, entry.value);
    }
    return installDriver(install, options, usage).status;
}

Status changeSettings(const SectionChange& change, const RequestOptions& options) {
    std::vector<EntryEdit> edits = change.edits;
    if (change.kind == SectionChange::Kind::put) {
        for (const ProfileEntry& entry : change.section.entries) edits.push_back({entry.key, entry.value});
    }
    return configureDriverManager(edits, options).status;
}

Status changeFileDataSource(const MachineFile& file, const SectionChange& change, const RequestOptions& options) {
    Entries entries;
    for (const ProfileEntry& entry : entriesAfter(file, change)) entries.emplace_back(entry.key, entry.value);
    return writeFileDataSource(file.path, entries, options).status;
}

Status changeSection(const MachineFile& file, const SectionChange& change, const RequestOptions& options) {
    switch (file.kind) {
        case FileKind::dataSources: return changeDataSource(file, change, options);
        case FileKind::drivers: return changeDriver(file, change, options);
        case FileKind::settings: return changeSettings(change, options);
        case FileKind::fileDataSource: return changeFileDataSource(file, change, options);
    }
    return {};
}

Status changeFile(const MachineFile& file, const FileWanted& wanted, const FileChanges& planned,
                  const RequestOptions& options) {
    if (wanted.removeFile) return removeFileDataSource(file.path, options).status;
    for (const SectionChange& change : planned.sections) {
        Status status = changeSection(file, change, options);
        if (!status.ok()) return Status::failure("[" + change.name + "] of " + file.path + ": " + status.reason());
    }
    return {};
}

}  // namespace

void carryOutPlan(const Machine& machine, const std::vector<FileWanted>& wanted,
                  const std::vector<FileChanges>& planned, const RequestOptions& options, ApplyReport& report) {
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (planned[i].changes.empty()) continue;
        Status status = changeFile(machine.files[wanted[i].file], wanted[i], planned[i], options);
        if (!status.ok()) {
            report.failure = status.reason() + " (the changes before it are made: the registry cannot be put back)";
            report.changed = !report.changes.empty();
            return;
        }
        report.changes.insert(report.changes.end(), planned[i].changes.begin(), planned[i].changes.end());
    }
    report.changed = !report.changes.empty();
}

}  // namespace rireve
