// The state's entry points: a document read and checked, the machine read
// once, each file's changes planned, and carried out.
#include "state/state.h"

#include <unordered_set>

#include "base/secret_keys.h"
#include "state/carry_out.h"
#include "state/export.h"
#include "state/file_plan.h"
#include "state/machine.h"
#include "state/unified_diff.h"
#include "state/wanted_files.h"
#include "state/wanted_state.h"

namespace rireve {
namespace {

using Json = StateDocument;

// Everything a plan is made of, read once.
struct Prepared {
    WantedState state;
    std::vector<std::string> paths;
    Machine machine;
    std::vector<FileWanted> files;
    std::vector<FileChanges> changes;
    StateFault fault = StateFault::none;
};

bool stoppedAtReference(const WantedState& state) {
    for (const auto* list : {&state.drivers, &state.dataSources, &state.fileDataSources}) {
        for (const WantedSection& section : *list) {
            for (const WantedEntry& entry : section.entries) {
                if (entry.unresolved) return true;
            }
        }
    }
    if (!state.settings) return false;
    for (const WantedEntry& entry : state.settings->entries) {
        if (entry.unresolved) return true;
    }
    return false;
}

Status prepare(const StateDocument& document, bool prune, Prepared& prepared) {
    prepared.fault = StateFault::document;
    Status status = readWantedState(document, prepared.state);
    if (!status.ok() && stoppedAtReference(prepared.state)) prepared.fault = StateFault::reference;
    if (status.ok()) status = resolveFilePaths(prepared.state, prepared.paths);
    if (!status.ok()) return status;
    prepared.fault = StateFault::configuration;
    const bool listFolder = prune && !prepared.state.fileDataSources.empty();
    status = readMachine(prepared.paths, listFolder, prepared.machine);
    if (!status.ok()) return status;
    // A kept value with none in place is the document's fault.
    prepared.fault = StateFault::document;
    prepared.files = wantedFiles(prepared.state, prepared.paths, prepared.machine, prune);
    for (const FileWanted& wanted : prepared.files) {
        const MachineFile& file = prepared.machine.files[wanted.file];
        status = planFile(file.sections, wanted, file.path, prepared.changes.emplace_back());
        if (!status.ok()) return status;
    }
    prepared.fault = StateFault::none;
    return {};
}

// The sections once the changes are made, as the writer makes them.
Profile sectionsAfter(Profile sections, const std::vector<SectionChange>& changes) {
    for (const SectionChange& change : changes) {
        Profile next;
        bool placed = false;
        for (ProfileSection& section : sections) {
            const bool named = sameProfileName(section.name, change.name);
            if (named && change.kind == SectionChange::Kind::edit && !placed) editEntries(section.entries, change.edits);
            if (named && change.kind == SectionChange::Kind::put && !placed) section = change.section;
            const bool kept = !named || (change.kind != SectionChange::Kind::remove && !placed);
            if (kept) next.push_back(std::move(section));
            placed = placed || named;
        }
        if (change.kind == SectionChange::Kind::put && !placed) next.push_back(change.section);
        sections = std::move(next);
    }
    return sections;
}

// The keys a state gives by reference, by section: masked wherever shown.
using Referenced = std::unordered_set<std::string>;

std::string referencedKey(std::string_view section, std::string_view key) {
    return foldProfileName(section) + "\n" + foldProfileName(key);
}

Referenced referencedOf(const WantedState& state) {
    Referenced referenced;
    for (const auto* list : {&state.drivers, &state.dataSources, &state.fileDataSources}) {
        for (const WantedSection& section : *list) {
            for (const WantedEntry& entry : section.entries) {
                if (entry.referenced) referenced.insert(referencedKey(section.name, entry.key));
            }
        }
    }
    if (state.settings) {
        for (const WantedEntry& entry : state.settings->entries) {
            if (entry.referenced) referenced.insert(referencedKey(state.settings->name, entry.key));
        }
    }
    return referenced;
}

std::vector<std::string> linesOf(const Profile& sections, const Referenced& referenced) {
    std::vector<std::string> lines;
    for (const ProfileSection& section : sections) {
        if (!lines.empty()) lines.emplace_back();
        lines.push_back("[" + section.name + "]");
        for (const ProfileEntry& entry : section.entries) {
            const bool secret = isSecretKey(entry.key) || referenced.count(referencedKey(section.name, entry.key)) > 0;
            lines.push_back(entry.key + "=" + (secret ? std::string(kMaskedValue) : entry.value));
        }
    }
    return lines;
}

std::string textOf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text.append(line).append(1, '\n');
    return text;
}

std::vector<FileDiff> diffsOf(const Prepared& prepared) {
    const Referenced referenced = referencedOf(prepared.state);
    std::vector<FileDiff> diffs;
    for (std::size_t i = 0; i < prepared.files.size(); ++i) {
        if (prepared.changes[i].changes.empty()) continue;
        const MachineFile& file = prepared.machine.files[prepared.files[i].file];
        const Profile after = prepared.changes[i].removeFile ? Profile{} : sectionsAfter(file.sections, prepared.changes[i].sections);
        const std::vector<std::string> linesBefore = linesOf(file.sections, referenced);
        const std::vector<std::string> linesAfter = linesOf(after, referenced);
        diffs.push_back({file.path, unifiedDiff(file.path, linesBefore, linesAfter), textOf(linesBefore), textOf(linesAfter)});
    }
    return diffs;
}

Json optionalText(const std::optional<std::string>& text) { return text ? Json(*text) : Json(); }

Json changesJson(const std::vector<StateChange>& changes) {
    Json list = Json::array();
    for (const StateChange& change : changes) {
        list.push_back({{"file", change.file},
                        {"section", change.section},
                        {"key", change.key},
                        {"before", optionalText(change.before)},
                        {"after", optionalText(change.after)},
                        {"kind", kindName(change.kind)}});
    }
    return list;
}

}  // namespace

Status parseStateText(std::string_view text, StateDocument& document) {
    // Where the text stops being JSON, by byte: the text near it may be a secret.
    try {
        document = StateDocument::parse(text);
    } catch (const StateDocument::parse_error& error) {
        return Status::failure("the state is not JSON: it stops being JSON at byte " + std::to_string(error.byte));
    }
    return {};
}

Status exportState(bool reveal, StateDocument& document) {
    Machine machine;
    Status status = readMachine({}, true, machine);
    if (status.ok()) document = exportMachine(machine, reveal);
    return status;
}

Status planState(const StateDocument& document, const StateOptions& options, StatePlan& plan) {
    Prepared prepared;
    Status status = prepare(document, options.prune, prepared);
    plan.fault = prepared.fault;
    if (!status.ok()) return status;
    for (const FileChanges& changes : prepared.changes) {
        plan.changes.insert(plan.changes.end(), changes.changes.begin(), changes.changes.end());
    }
    if (options.diffs) plan.diffs = diffsOf(prepared);
    return {};
}

Status applyState(const StateDocument& document, const StateOptions& options, ApplyReport& report) {
    Prepared prepared;
    Status status = prepare(document, options.prune, prepared);
    report.fault = prepared.fault;
    if (!status.ok()) return status;
    if (options.check) {
        for (const FileChanges& changes : prepared.changes) {
            report.changes.insert(report.changes.end(), changes.changes.begin(), changes.changes.end());
        }
        report.changed = !report.changes.empty();
        return {};
    }
    carryOutPlan(prepared.machine, prepared.files, prepared.changes, options.request, report);
    return {};
}

StateDocument planJson(const StatePlan& plan) {
    Json diffs = Json::array();
    for (const FileDiff& diff : plan.diffs) {
        diffs.push_back({{"file", diff.file}, {"diff", diff.text}, {"before", diff.before}, {"after", diff.after}});
    }
    return {{"changes", changesJson(plan.changes)}, {"diffs", diffs}};
}

StateDocument reportJson(const ApplyReport& report) {
    Json json = {{"changed", report.changed}, {"changes", changesJson(report.changes)}, {"restored", report.restored}};
    json["failure"] = report.failure.empty() ? Json() : Json(report.failure);
    return json;
}

std::string_view kindName(ChangeKind kind) {
    switch (kind) {
        case ChangeKind::add: return "add";
        case ChangeKind::change: return "change";
        case ChangeKind::remove: return "remove";
        case ChangeKind::install: return "install";
        case ChangeKind::count: return "count";
    }
    return "change";
}

}  // namespace rireve
