// A configuration file's text read as the driver manager reads it
// (platform/driver_manager.h: its reader's rules; unixODBC 2.3.11's here),
// in one pass over the bytes:
// - the text is taken in pieces of at most 999 bytes, each ending at a line
//   break or where the piece is full (a longer line goes on as further
//   pieces), and a piece ends at its first NUL byte;
// - blanks (space, tab and the line breaks) are trimmed from names, keys and
//   values; "#" and ";" begin a comment;
// - a header is "[" up to "]" or the piece's end; an entry is a key up to
//   its first "=", and the rest as its value (empty without "=").
// The file a reader opens first has a header wherever a piece's first
// non-blank is "[", and an entry wherever it is neither "[" nor a comment.
// A file added to another (the system's data sources behind the user's, the
// user's drivers behind the system's) has a header only where a piece starts
// with "[", and an entry only where it starts with a letter or digit.
// Either is rejected when a piece before its first header at the start of a
// piece holds anything but blanks and comments.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/driver_manager.h"
#include "profile/profile.h"

namespace rireve {

// Where a section lies: from its header's line to the end of the line of
// its last entry (comments and blank lines after it stay with what
// follows).
struct SectionLines {
    std::size_t begin = 0;
    std::size_t end = 0;
    // The number of a line of the section longer than the reader's pieces
    // that it reads as more than one header or entry (0 when there is none):
    // such a section cannot be changed line by line.
    std::size_t splitLine = 0;
};

struct ProfileText {
    Profile sections;
    std::vector<SectionLines> lines;  // one for each section, when asked for
    // Why the reader rejects the text (empty when it does not).
    std::string rejection;
};

// Reads the text. With keys, only entries of those keys are kept, as
// readProfile keeps them (profile.h). A rejected text has no sections.
void parseProfile(std::string_view text, ProfileRules rules, const std::vector<std::string_view>& keys,
                  bool withLines, ProfileText& parsed);

struct LineReading;

// The same for a text given in parts, so that a large file is read through
// a small buffer.
class ProfileParser {
public:
    ProfileParser(ProfileRules rules, const std::vector<std::string_view>& keys, bool withLines, ProfileText& parsed);
    // Reads the whole lines at the start of the part (all of it when it is
    // the last) and returns how many bytes that was: the rest must begin
    // the next part.
    std::size_t read(std::string_view part, bool last);
    // Whether the text is rejected: the rest need not be read.
    bool rejected() const { return !parsed_.rejection.empty(); }

private:
    bool readLine(std::string_view text, std::size_t line, std::size_t lineEnd, bool mayHoldNul);
    void take(const LineReading& reading, std::size_t line, std::size_t lineEnd);
    void markSplit(std::size_t sectionsBefore);

    const ReaderRules& reader_;
    ProfileRules rules_;
    std::vector<std::string_view> keys_;
    bool withLines_;
    ProfileText& parsed_;
    std::size_t base_ = 0;    // where the part read now starts in the whole text
    std::size_t number_ = 1;  // the number of the line read now
};

// What the reader takes the first piece of a line inside a section of an
// opened file to be.
struct LineReading {
    enum class Kind { nothing, header, entry } kind = Kind::nothing;
    std::string_view name;  // the section's name, or the entry's key
    std::string_view value;
    std::size_t valueBegin = 0;  // where the value would start in the line
};
LineReading readLine(std::string_view line);

// The line break the file's first line ends with ("\r\n" or "\n").
std::string_view lineBreakOf(std::string_view text);

}  // namespace rireve
