#include "state/file_plan.h"

#include <cstdlib>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "base/text_rules.h"
#include "state/section_names.h"
#include "state/secret_values.h"

namespace rireve {
namespace {

// Section names and keys, ASCII letter case ignored, as the reader compares them.
struct NameHash {
    std::size_t operator()(std::string_view name) const { return hashProfileName(name); }
};
struct SameName {
    bool operator()(std::string_view a, std::string_view b) const { return sameProfileName(a, b); }
};
using FirstOfName = std::unordered_map<std::string_view, const ProfileSection*, NameHash, SameName>;
using NameSet = std::unordered_set<std::string_view, NameHash, SameName>;

// The first section of each name.
FirstOfName indexSections(const Profile& sections) {
    FirstOfName first;
    first.reserve(sections.size());
    for (const ProfileSection& section : sections) first.emplace(section.name, &section);
    return first;
}

// Its UsageCount, or 1 for a section without one, as odbcinst counts.
long usageCountOf(const ProfileSection& section) {
    const std::string* text = findValue(section, usageCountKeyName());
    if (text == nullptr || text->empty()) return 1;
    char* end = nullptr;
    const long count = std::strtol(text->c_str(), &end, 10);
    return *end == '\0' && count >= 0 ? count : 1;
}

class FilePlanner {
public:
    FilePlanner(const std::string& path, FileChanges& changes) : path_(path), changes_(changes) {}

    void note(std::string_view section, std::string_view key, const std::string* before, const WantedEntry* after,
              ChangeKind kind) {
        StateChange& change = changes_.changes.emplace_back();
        change.file = path_;
        change.section = std::string(section);
        change.key = std::string(key);
        if (before != nullptr) change.before = shownValue(key, *before, false);
        if (after != nullptr) change.after = shownValue(key, after->value, after->referenced);
        change.kind = kind;
        if (after != nullptr && isSecretEntry(key, after->referenced)) changes_.receivesSecret = true;
    }

    Status put(const WantedOf& wanted) {
        const bool driver = wanted.role == Role::driver;
        const ChangeKind kind = driver ? ChangeKind::install : ChangeKind::add;
        SectionChange& change = changes_.sections.emplace_back();
        change.kind = SectionChange::Kind::put;
        change.name = wanted.section->name;
        change.section.name = wanted.section->name;
        for (const WantedEntry& entry : wanted.section->entries) {
            if (entry.keep) return Status::failure(entry.where + ": a redacted value has no value in place to keep");
            change.section.entries.push_back({entry.key, entry.value});
            note(change.name, entry.key, nullptr, &entry, kind);
        }
        if (wanted.section->entries.empty() && !driver) note(change.name, "", nullptr, nullptr, kind);
        if (!driver) return {};
        // A driver the state installs is counted once.
        const WantedEntry count{std::string(usageCountKeyName()), "1", false, false, {}};
        change.section.entries.push_back({count.key, count.value});
        note(change.name, count.key, nullptr, &count, ChangeKind::install);
        return {};
    }

    Status edit(const WantedOf& wanted, const ProfileSection& current, bool pruneEntries) {
        std::vector<EntryEdit> edits;
        NameSet named;
        for (const WantedEntry& entry : wanted.section->entries) {
            named.insert(entry.key);
            const std::string* before = findValue(current, entry.key);
            if (entry.keep && before == nullptr) {
                return Status::failure(entry.where + ": a redacted value has no value in place to keep");
            }
            if (entry.keep || (before != nullptr && *before == entry.value)) continue;
            edits.push_back({entry.key, entry.value});
            note(current.name, entry.key, before, &entry, before != nullptr ? ChangeKind::change : ChangeKind::add);
        }
        if (pruneEntries) pruneUnnamedEntries(current, named, wanted.role, edits);
        if (edits.empty()) return {};
        SectionChange& change = changes_.sections.emplace_back();
        change.kind = SectionChange::Kind::edit;
        change.name = current.name;
        change.edits = std::move(edits);
        return {};
    }

    // A driver that more installations count than the state's one stays:
    // applying again must not count it off again.
    void prune(const ProfileSection& current, Role role) {
        if (role == Role::driver && usageCountOf(current) > 1) return;
        remove(current, role);
    }

    void remove(const ProfileSection& current, Role role) {
        changes_.sections.push_back({SectionChange::Kind::remove, current.name, {}, {}});
        if (current.entries.empty()) note(current.name, "", nullptr, nullptr, ChangeKind::remove);
        for (const ProfileEntry& entry : current.entries) {
            const bool count = role == Role::driver && sameProfileName(entry.key, usageCountKeyName());
            note(current.name, entry.key, &entry.value, nullptr, count ? ChangeKind::count : ChangeKind::remove);
        }
    }

private:
    void pruneUnnamedEntries(const ProfileSection& current, NameSet& named, Role role, std::vector<EntryEdit>& edits) {
        if (role == Role::driver) named.insert(usageCountKeyName());
        for (const ProfileEntry& entry : current.entries) {
            if (!named.insert(entry.key).second) continue;
            edits.push_back({entry.key, std::nullopt});
            note(current.name, entry.key, &entry.value, nullptr, ChangeKind::remove);
        }
    }

    const std::string& path_;
    FileChanges& changes_;
};

void pruneSections(const Profile& current, const FileWanted& wanted, FilePlanner& planner) {
    NameSet named;
    for (const WantedOf& each : wanted.sections) named.insert(each.section->name);
    for (const ProfileSection& section : current) {
        if (isDriverManagerSection(section.name) || !named.insert(section.name).second) continue;
        planner.prune(section, *wanted.pruned);
    }
}

}  // namespace

Status planFile(const Profile& current, const FileWanted& wanted, const std::string& path, FileChanges& changes) {
    FilePlanner planner(path, changes);
    if (wanted.removeFile) {
        for (const ProfileSection& section : current) planner.remove(section, Role::fileDataSource);
        changes.sections.clear();
        changes.removeFile = true;
        return {};
    }
    const FirstOfName first = indexSections(current);
    for (const WantedOf& each : wanted.sections) {
        const auto found = first.find(each.section->name);
        Status planned = found == first.end() ? planner.put(each)
                                              : planner.edit(each, *found->second, wanted.pruneEntries);
        if (!planned.ok()) return planned;
    }
    if (wanted.pruned) pruneSections(current, wanted, planner);
    return {};
}

}  // namespace rireve
