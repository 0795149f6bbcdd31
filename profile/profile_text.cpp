#include "profile/profile_text.h"

#include <algorithm>
#include <cstring>

#include "base/text_rules.h"
#include "platform/driver_manager.h"

namespace rireve {
namespace {

bool isComment(const ReaderRules& reader, char c) { return reader.comments.find(c) != std::string_view::npos; }

// isalnum in the C locale (and for single bytes in UTF-8 ones).
bool isLetterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// The piece the reader takes from `at`: up to and with the line break, at
// most the reader's piece; `end` is where the next piece starts. `mayHoldNul`
// is false for a text known to hold none.
std::string_view pieceAt(const ReaderRules& reader, std::string_view text, std::size_t at, std::size_t lineEnd,
                         std::size_t& end, bool mayHoldNul = true) {
    end = std::min(lineEnd, at + reader.pieceBytes);
    std::string_view piece = text.substr(at, end - at);
    if (!mayHoldNul) return piece;
    const void* nul = std::memchr(piece.data(), '\0', piece.size());
    if (nul != nullptr) piece = piece.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - piece.data()));
    return piece;
}

std::size_t lineEndAt(std::string_view text, std::size_t at) {
    const void* newline = std::memchr(text.data() + at, '\n', text.size() - at);
    return newline == nullptr ? text.size() : static_cast<std::size_t>(static_cast<const char*>(newline) - text.data()) + 1;
}

std::size_t skipBlanks(std::string_view piece) {
    std::size_t at = 0;
    while (at < piece.size() && isBlank(piece[at])) ++at;
    return at;
}

// A header's name: after "[", up to "]" or the piece's end, trimmed.
std::string_view headerName(std::string_view piece) {
    const std::string_view inside = piece.substr(1);
    return trimBlanks(inside.substr(0, inside.find(']')));
}

LineReading readEntry(std::string_view piece, std::size_t start) {
    LineReading reading;
    reading.kind = LineReading::Kind::entry;
    const std::size_t equals = piece.find('=', start);
    if (equals == std::string_view::npos) {
        reading.name = trimBlanks(piece.substr(start));
        reading.valueBegin = std::string_view::npos;
        return reading;
    }
    reading.name = trimBlanks(piece.substr(start, equals - start));
    const std::string_view rest = piece.substr(equals + 1);
    reading.value = trimBlanks(rest);
    if (!reading.value.empty()) {
        reading.valueBegin = static_cast<std::size_t>(reading.value.data() - piece.data());
        return reading;
    }
    std::size_t after = equals + 1;
    while (after < piece.size() && (piece[after] == ' ' || piece[after] == '\t')) ++after;
    reading.valueBegin = after;
    return reading;
}

// A piece inside a section (after the first header).
LineReading readPiece(const ReaderRules& reader, std::string_view piece, ProfileRules rules) {
    if (rules == ProfileRules::added && reader.strictAddedFiles) {
        if (!piece.empty() && piece[0] == '[') return {LineReading::Kind::header, headerName(piece), {}, 0};
        if (!piece.empty() && isLetterOrDigit(piece[0])) return readEntry(piece, 0);
        return {};
    }
    const std::size_t start = skipBlanks(piece);
    if (start == piece.size() || isComment(reader, piece[start])) return {};
    if (piece[start] == '[') return {LineReading::Kind::header, headerName(piece.substr(start)), {}, 0};
    return readEntry(piece, start);
}

// Before the first header: nothing, the header, or a reason to reject the text.
bool readLeadingPiece(const ReaderRules& reader, std::string_view piece, std::size_t lineNumber, LineReading& reading,
                      std::string& rejection) {
    if (!piece.empty() && piece[0] == '[') {
        reading = {LineReading::Kind::header, headerName(piece), {}, 0};
        return true;
    }
    const std::string_view trimmed = trimBlanks(piece);
    if (trimmed.empty() || isComment(reader, trimmed[0])) return true;
    rejection = "line " + std::to_string(lineNumber) +
                (trimmed[0] == '[' ? " indents the first section's header" : " holds an entry before the first section");
    return false;
}

// The key's place among the keys, or -1.
int placeOf(const std::vector<std::string_view>& keys, std::string_view key) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].size() == key.size() && sameProfileName(keys[i], key)) return static_cast<int>(i);
    }
    return -1;
}

// With keys, in order of preference: only the first entry of each is kept
// (lookups find the first), and none of a key once the section has a
// non-empty entry of a key before it.
bool wanted(const std::vector<std::string_view>& keys, const std::vector<ProfileEntry>& kept, std::string_view key) {
    if (keys.empty()) return true;
    const int place = placeOf(keys, key);
    if (place < 0) return false;
    for (const ProfileEntry& entry : kept) {
        const int earlier = placeOf(keys, entry.key);
        if (earlier == place || (earlier < place && !entry.value.empty())) return false;
    }
    return true;
}

}  // namespace

ProfileParser::ProfileParser(ProfileRules rules, const std::vector<std::string_view>& keys, bool withLines,
                             ProfileText& parsed)
    : reader_(driverManager().reader), rules_(rules), keys_(keys), withLines_(withLines), parsed_(parsed) {
    parsed_.sections.clear();
    parsed_.lines.clear();
    parsed_.rejection.clear();
}

std::size_t ProfileParser::read(std::string_view text, bool last) {
    if (!parsed_.rejection.empty()) return text.size();
    const bool mayHoldNul = std::memchr(text.data(), '\0', text.size()) != nullptr;
    std::size_t line = 0;
    while (line < text.size()) {
        const std::size_t lineEnd = lineEndAt(text, line);
        if (!last && (lineEnd == text.size() && text.back() != '\n')) break;  // the rest comes with the next part
        if (!readLine(text, line, lineEnd, mayHoldNul)) {
            parsed_.sections.clear();
            parsed_.lines.clear();
            return text.size();
        }
        ++number_;
        line = lineEnd;
    }
    base_ += line;
    return line;
}

bool ProfileParser::readLine(std::string_view text, std::size_t line, std::size_t lineEnd, bool mayHoldNul) {
    const std::size_t sectionsBefore = parsed_.sections.size();
    bool continued = false;  // a piece after the line's first one reads as something
    for (std::size_t at = line, next = 0; at < lineEnd; at = next) {
        const std::string_view piece = pieceAt(reader_, text, at, lineEnd, next, mayHoldNul);
        LineReading reading;
        if (parsed_.sections.empty()) {
            if (!readLeadingPiece(reader_, piece, number_, reading, parsed_.rejection)) return false;
        } else {
            reading = readPiece(reader_, piece, rules_);
        }
        if (reading.kind == LineReading::Kind::nothing) continue;
        continued = continued || at != line;
        take(reading, base_ + line, base_ + lineEnd);
    }
    if (continued && withLines_) markSplit(sectionsBefore);
    return true;
}

void ProfileParser::take(const LineReading& reading, std::size_t line, std::size_t lineEnd) {
    if (reading.kind == LineReading::Kind::header) {
        parsed_.sections.push_back({std::string(reading.name), {}});
        parsed_.sections.back().entries.reserve(keys_.empty() ? 8 : 1);
        if (withLines_) parsed_.lines.push_back({line, lineEnd, 0});
        return;
    }
    if (withLines_) parsed_.lines.back().end = lineEnd;
    std::vector<ProfileEntry>& entries = parsed_.sections.back().entries;
    if (wanted(keys_, entries, reading.name)) {
        entries.push_back({std::string(reading.name), std::string(reading.value)});
    }
}

// Every section the line lies in: the one it began in and those it began.
void ProfileParser::markSplit(std::size_t sectionsBefore) {
    const std::size_t first = sectionsBefore == 0 ? 0 : sectionsBefore - 1;
    for (std::size_t i = first; i < parsed_.lines.size(); ++i) {
        if (parsed_.lines[i].splitLine == 0) parsed_.lines[i].splitLine = number_;
    }
}

void parseProfile(std::string_view text, ProfileRules rules, const std::vector<std::string_view>& keys,
                  bool withLines, ProfileText& parsed) {
    ProfileParser parser(rules, keys, withLines, parsed);
    // Room for sections of a typical size at once, rather than a copy of
    // every one at each doubling.
    parsed.sections.reserve(text.size() / 128 + 8);
    parser.read(text, true);
}

LineReading readLine(std::string_view line) {
    const ReaderRules& reader = driverManager().reader;
    std::size_t end = 0;
    return readPiece(reader, pieceAt(reader, line, 0, lineEndAt(line, 0), end), ProfileRules::opened);
}

std::string_view lineBreakOf(std::string_view text) {
    const std::size_t newline = text.find('\n');
    return newline != std::string_view::npos && newline > 0 && text[newline - 1] == '\r' ? "\r\n" : "\n";
}

}  // namespace rireve
