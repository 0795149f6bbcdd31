// The first section of each name, letter case ignored, found without an
// allocation per name: listings of a hundred thousand data sources ask this
// once for each of them.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "base/text_rules.h"
#include "profile/profile.h"

namespace rireve {

class FirstOfName {
public:
    explicit FirstOfName(std::size_t expected) {
        // Filled to at most four fifths: with each slot's hash kept, a probe
        // past a taken slot rarely reads a name.
        std::size_t capacity = 16;
        while (capacity * 4 < expected * 5) capacity *= 2;
        slots_.resize(capacity);
    }

    // The first section of the section's name, which is the section itself
    // (and `added`) when no earlier one has that name.
    const ProfileSection* add(const ProfileSection& section, bool* added = nullptr) {
        if (5 * (count_ + 1) > 4 * slots_.size()) grow();
        const std::size_t hash = hashProfileName(section.name);
        Slot& slot = slots_[indexOf(section.name, hash)];
        const bool isNew = slot.section == nullptr;
        if (isNew) {
            slot = {&section, hash};
            ++count_;
        }
        if (added != nullptr) *added = isNew;
        return slot.section;
    }

    // The first section of the name, or null.
    const ProfileSection* find(std::string_view name) const {
        return slots_[indexOf(name, hashProfileName(name))].section;
    }

private:
    struct Slot {
        const ProfileSection* section = nullptr;
        std::size_t hash = 0;  // of its name: most other names are told apart without reading it
    };

    // The slot of the name, or the empty one where it would go.
    std::size_t indexOf(std::string_view name, std::size_t hash) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots_[i];
            if (slot.section == nullptr) return i;
            if (slot.hash == hash && sameProfileName(slot.section->name, name)) return i;
        }
    }

    void grow() {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        for (const Slot& slot : old) {
            if (slot.section != nullptr) slots_[indexOf(slot.section->name, slot.hash)] = slot;
        }
    }

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

}  // namespace rireve
