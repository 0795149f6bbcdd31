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

}  // namespace rireve
