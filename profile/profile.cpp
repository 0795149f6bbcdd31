#include "profile/profile.h"

namespace rireve {

const ProfileSection* findSection(const Profile& profile, std::string_view name) {
    for (const ProfileSection& section : profile) {
        if (sameProfileName(section.name, name)) return &section;
    }
    return nullptr;
}

const std::string* findValue(const ProfileSection& section, std::string_view key) {
    for (const ProfileEntry& entry : section.entries) {
        if (sameProfileName(entry.key, key)) return &entry.value;
    }
    return nullptr;
}

void editEntries(std::vector<ProfileEntry>& entries, const std::vector<EntryEdit>& edits) {
    for (const EntryEdit& edit : edits) {
        bool placed = false;
        std::vector<ProfileEntry> kept;
        kept.reserve(entries.size() + 1);
        for (ProfileEntry& entry : entries) {
            if (!sameProfileName(entry.key, edit.key)) {
                kept.push_back(std::move(entry));
            } else if (edit.value && !placed) {
                kept.push_back({std::move(entry.key), *edit.value});
                placed = true;
            }
        }
        if (edit.value && !placed) kept.push_back({edit.key, *edit.value});
        entries = std::move(kept);
    }
}

}  // namespace rireve
