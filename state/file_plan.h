// One file's part of a plan: what the state wants of the file, and the
// changes that make the file's sections so, decided from the very sections
// the change is made to.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/status.h"
#include "profile/profile.h"
#include "state/state.h"
#include "state/wanted_state.h"

namespace rireve {

// What a section is to the state: a new driver is installed (counted once),
// anything else added.
enum class Role { dataSource, driver, settings, fileDataSource };

struct WantedOf {
    const WantedSection* section;
    Role role;
};

struct FileWanted {
    std::size_t file = 0;  // in the machine's files
    std::vector<WantedOf> sections;
    // With prune: the sections of this role that the state does not name
    // go, and so do the entries it does not name of those it does.
    std::optional<Role> pruned;
    bool pruneEntries = false;
    // A file data source the state does not name (with prune): it goes whole.
    bool removeFile = false;
};

// A section's change, as the writer carries it out.
struct SectionChange {
    enum class Kind { put, edit, remove };
    Kind kind = Kind::put;
    std::string name;
    ProfileSection section;
    std::vector<EntryEdit> edits;
};

struct FileChanges {
    std::vector<SectionChange> sections;
    std::vector<StateChange> changes;
    bool receivesSecret = false;
    bool removeFile = false;
};

// Decides the file's changes from its sections. Fails for a kept value
// ({"redacted": true}) with no value in place to keep, naming its path.
Status planFile(const Profile& current, const FileWanted& wanted, const std::string& path, FileChanges& changes);

}  // namespace rireve
