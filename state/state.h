// The configuration as code: a JSON document (state.schema.json) saying
// which drivers, data sources, settings and file data sources the machine
// holds, exported from it, planned against it and applied to it. Plain C++
// for every front end (the Java API, the command line): documents in,
// plain results out, each of which also has its JSON form.
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "installer/installer.h"

namespace rireve {

// Objects keep their keys in the document's order: entries are written in it.
using StateDocument = nlohmann::ordered_json;

// The version of the document this library reads and writes.
inline constexpr int kStateVersion = 1;

// What a change does: an entry or section added, a value changed, an entry
// or section removed, a driver installed, a driver's usage count changed.
enum class ChangeKind { add, change, remove, install, count };

// One change of a plan, by entry: where, and the value before and after
// (none where there is none), a secret's masked.
struct StateChange {
    std::string file;
    std::string section;
    std::string key;
    std::optional<std::string> before;
    std::optional<std::string> after;
    ChangeKind kind = ChangeKind::add;
};

// A file's changes as a unified diff of its sections, secrets masked.
struct FileDiff {
    std::string file;
    std::string text;
    // The file's sections before and after, secrets masked: for a front end
    // that shows the two sides itself.
    std::string before;
    std::string after;
};

// What a plan that could not be made was stopped by: the document (a fault
// at a path of it), the configuration (a file that cannot be read) or a
// reference that cannot be resolved (the machine's, not the document's:
// a variable not set, a file not there).
enum class StateFault { none, document, configuration, reference };

struct StatePlan {
    std::vector<StateChange> changes;
    std::vector<FileDiff> diffs;  // when asked for
    StateFault fault = StateFault::none;
};

struct StateOptions {
    // Also removes what the state does not name, within its kinds and scopes.
    bool prune = false;
    // Plans, and writes nothing.
    bool check = false;
    // A plan's diffs.
    bool diffs = false;
    RequestOptions request;
};

struct ApplyReport {
    bool changed = false;
    std::vector<StateChange> changes;
    // The files put back as they were, once a later one could not be written.
    std::vector<std::string> restored;
    // Why the changes stopped (empty once every one is made).
    std::string failure;
    // What stopped the plan, when applyState fails.
    StateFault fault = StateFault::none;
};

// Reads a document's text; fails naming where the text is not JSON.
Status parseStateText(std::string_view text, StateDocument& document);

// The machine's configuration as a document; secrets as {"redacted": true}
// unless `reveal`.
Status exportState(bool reveal, StateDocument& document);

// The changes that would bring the machine to the state. Fails, naming the
// document's path of the fault or the reference, with nothing planned.
Status planState(const StateDocument& document, const StateOptions& options, StatePlan& plan);

// Makes the plan's changes (none with `check`), each file written once and
// all of them or none: a failure to write a file puts back those written
// before it and is reported, not returned. Fails as planState does, with
// nothing changed.
Status applyState(const StateDocument& document, const StateOptions& options, ApplyReport& report);

// The JSON forms, as a front end prints them.
StateDocument planJson(const StatePlan& plan);
StateDocument reportJson(const ApplyReport& report);

std::string_view kindName(ChangeKind kind);

}  // namespace rireve
