// Where each section of a profile file's text lies, as unixODBC's reader
// splits the text: into lines of at most 999 bytes (a longer line goes on as
// further lines), a line whose first byte after blanks is "[" starting a
// section. Only the positions are found here; the names are the reader's.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "profile/profile.h"

namespace rireve {

struct SectionSpan {
    std::size_t begin;  // the header line's first byte
    std::size_t end;    // after the section's last entry line; comments and
                        // blank lines after it stay with what follows
};

std::vector<SectionSpan> findSectionSpans(std::string_view text);

// Why the reader might find other sections than findSectionSpans: the first
// line over the reader's limit, or an entry before the first section, by
// its number.
std::string describeLayoutMismatch(std::string_view text);

// The text with the sections whose `replaced` flag is set taken out, and
// `insertion` put where the first of them was, or at the end (after a blank
// line) when none is.
std::string replaceSections(std::string_view text, const std::vector<SectionSpan>& spans,
                            const std::vector<bool>& replaced, std::string_view insertion);

// The text with the edits made to the entry lines of the section at `span`,
// as editEntries makes them to its entries: a line whose key is set gets
// the new value, a later line of that key and a line whose key is taken out
// go, and a new key gets a line after the section's last entry. Every other
// line stays, byte for byte.
std::string editSectionText(std::string_view text, const SectionSpan& span, const std::vector<EntryEdit>& edits);

}  // namespace rireve
