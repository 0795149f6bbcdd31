// Changes to a profile file's text, made on whole lines where the reader
// finds its sections (profile_text.h): every byte outside the lines changed
// stays as it was.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "profile/profile.h"
#include "profile/profile_text.h"

namespace rireve {

// The text with the sections whose `replaced` flag is set taken out, and
// `insertion` put where the first of them was, or at the end (after a blank
// line) when none is. A header left first in the file loses its
// indentation, which would make unixODBC reject the file.
std::string replaceSections(std::string_view text, const std::vector<SectionLines>& lines,
                            const std::vector<bool>& replaced, std::string_view insertion);

// The text with the edits made to the entry lines of the section at
// `lines`, as editEntries makes them to its entries: a line whose key is set
// gets the new value after its indentation, key and the blanks around "=",
// and keeps its line break; a later line of that key and a line whose key is
// taken out go, whole; a new key gets a line after the section's last entry.
// Every other line stays, byte for byte. New lines end as the file's first
// line does.
std::string editSectionText(std::string_view text, const SectionLines& lines, const std::vector<EntryEdit>& edits);

// A new section's lines.
std::string sectionText(const ProfileSection& section, std::string_view lineBreak);

}  // namespace rireve
