// The configuration as code from the command line: export, plan and apply
// over the state layer, which owns every rule; here only the words and the
// output.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "cli/requests.h"
#include "cli/runners.h"
#include "state/state.h"

namespace rireve {
namespace {

// A state from a file, or from standard input for "-".
bool readState(const Invocation& given, Output& out, StateDocument& document, int& status) {
    std::string text;
    if (given.stateFile == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream file(given.stateFile, std::ios::binary);
        if (!file) {
            status = out.fail(message::kStateInvalid.text, "cannot read " + given.stateFile + ": " + std::strerror(errno), kUsage);
            return false;
        }
        text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    const Status parsed = parseStateText(text, document);
    if (!parsed.ok()) status = out.fail(message::kStateInvalid.text, parsed.reason(), kUsage);
    return parsed.ok();
}

// A plan that could not be made: the document's fault is a usage error; an
// unreadable configuration or a reference this machine cannot resolve, a refusal.
int refuseFault(Output& out, const Status& status, StateFault fault) {
    switch (fault) {
        case StateFault::configuration: return out.fail(message::kReadConfiguration.text, status.reason(), kRefused);
        case StateFault::reference: return out.fail(message::kStateInvalid.text, status.reason(), kRefused);
        case StateFault::document:
        case StateFault::none: break;
    }
    return out.fail(message::kStateInvalid.text, status.reason(), kUsage);
}

std::string valueCell(const std::optional<std::string>& value) { return value ? *value : "(none)"; }

void printChanges(Output& out, const std::vector<StateChange>& changes) {
    std::vector<Row> rows{{"KIND", "FILE", "SECTION", "KEY", "BEFORE → AFTER"}};
    for (const StateChange& change : changes) {
        rows.push_back({std::string(kindName(change.kind)), change.file, change.section, change.key,
                        valueCell(change.before) + " → " + valueCell(change.after)});
    }
    out.table(rows);
}

void printDiffs(Output& out, const std::vector<FileDiff>& diffs) {
    for (const FileDiff& diff : diffs) out.line(diff.text.substr(0, diff.text.find_last_not_of('\n') + 1));
}

StateOptions optionsOf(const Invocation& given) {
    StateOptions options;
    options.prune = given.prune;
    options.check = given.check;
    options.diffs = given.diff;
    return options;
}

}  // namespace

int runExport(const Invocation& given, Output& out) {
    StateDocument document;
    const Status status = exportState(given.reveal, document);
    if (!status.ok()) return out.fail(message::kReadConfiguration.text, status.reason(), kRefused);
    // Laid out to be read and edited, whichever output was asked for; bytes
    // that are not UTF-8 cannot be JSON text, and are replaced.
    out.line(document.dump(2, ' ', false, StateDocument::error_handler_t::replace));
    return kOk;
}

int runPlan(const Invocation& given, Output& out) {
    StateDocument document;
    int status = kOk;
    if (!readState(given, out, document, status)) return status;
    StatePlan plan;
    const Status planned = planState(document, optionsOf(given), plan);
    if (!planned.ok()) return refuseFault(out, planned, plan.fault);
    if (out.json()) {
        out.print(planJson(plan));
        return kOk;
    }
    if (plan.changes.empty()) {
        out.line("No changes: the configuration already holds the state");
        return kOk;
    }
    printChanges(out, plan.changes);
    printDiffs(out, plan.diffs);
    return kOk;
}

int runApply(const Invocation& given, Output& out) {
    StateDocument document;
    int status = kOk;
    if (!readState(given, out, document, status)) return status;
    StateOptions options = optionsOf(given);
    // The diffs are the plan's, made just before the changes.
    StatePlan plan;
    if (given.diff) {
        const Status planned = planState(document, options, plan);
        if (!planned.ok()) return refuseFault(out, planned, plan.fault);
    }
    ApplyReport report;
    Status applied;
    if (!runRequest(out, message::kApplyStateRefused, status, [&](const RequestOptions& request) {
            options.request = request;
            applied = applyState(document, options, report);
            return Outcome();
        })) {
        return status;
    }
    if (!applied.ok()) return refuseFault(out, applied, report.fault);
    if (out.json()) {
        StateDocument json = reportJson(report);
        if (given.diff) json["diffs"] = planJson(plan)["diffs"];
        out.print(json);
    } else if (report.failure.empty()) {
        if (!report.changes.empty()) printChanges(out, report.changes);
        printDiffs(out, plan.diffs);
        out.line(!report.changed ? "Nothing changed: the configuration already holds the state"
                 : given.check   ? "Would change " + std::to_string(report.changes.size()) + " entries; nothing was written"
                                 : "Changed " + std::to_string(report.changes.size()) + " entries");
    }
    if (report.failure.empty()) return kOk;
    std::string restored;
    for (const std::string& path : report.restored) restored += (restored.empty() ? "" : ", ") + path;
    return out.fail(message::kApplyStateRefused.text,
                    report.failure + (restored.empty() ? "" : "; put back as they were: " + restored), kRefused);
}

}  // namespace rireve
