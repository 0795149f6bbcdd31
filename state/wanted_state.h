// A state document read and checked: what it names, by kind, with every
// value resolved. Each fault is refused with its path in the document
// ($.dataSources[0].entries.PWD).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/status.h"
#include "catalog/scope.h"
#include "state/state.h"

namespace rireve {

struct WantedEntry {
    std::string key;
    std::string value;        // references resolved
    bool keep = false;        // {"redacted": true}: the value in place stays
    bool referenced = false;  // given by reference: shown masked, never printed
    std::string where;        // its path in the document
    bool unresolved = false;  // a reference that could not be resolved stopped the reading
};

// A driver, a data source (its Driver entry first), the settings ([ODBC])
// or a file data source (its name the path as given).
struct WantedSection {
    std::string name;
    std::optional<Scope> scope;
    std::vector<WantedEntry> entries;
    std::string where;  // its path in the document
};

struct WantedState {
    std::vector<WantedSection> drivers;
    std::vector<WantedSection> dataSources;
    std::optional<WantedSection> settings;
    std::vector<WantedSection> fileDataSources;
};

// Checks the document against the rules of state.schema.json and the
// configuration's own (names, keys, lines), and resolves its references.
Status readWantedState(const StateDocument& document, WantedState& state);

}  // namespace rireve
