#include "profile/profile_text.h"

#include <algorithm>
#include <cstring>

#include "base/text_rules.h"

namespace rireve {
namespace {

bool isComment(char c) { return c == '#' || c == ';'; }

// isalnum in the C locale (and for single bytes in UTF-8 ones).
bool isLetterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// The piece the reader takes from `at`: up to and with the line break, at
// most kMaxLineBytes bytes; `end` is where the next piece starts.
std::string_view pieceAt(std::string_view text, std::size_t at, std::size_t lineEnd, std::size_t& end) {
    end = std::min(lineEnd, at + kMaxLineBytes);
    std::string_view piece = text.substr(at, end - at);
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
LineReading readPiece(std::string_view piece, ProfileRules rules) {
    if (rules == ProfileRules::added) {
        if (!piece.empty() && piece[0] == '[') return {LineReading::Kind::header, headerName(piece), {}, 0};
        if (!piece.empty() && isLetterOrDigit(piece[0])) return readEntry(piece, 0);
        return {};
    }
    const std::size_t start = skipBlanks(piece);
    if (start == piece.size() || isComment(piece[start])) return {};
    if (piece[start] == '[') return {LineReading::Kind::header, headerName(piece.substr(start)), {}, 0};
    return readEntry(piece, start);
}

// Before the first header: nothing, the header, or a reason to reject the text.
bool readLeadingPiece(std::string_view piece, std::size_t lineNumber, LineReading& reading, std::string& rejection) {
    if (!piece.empty() && piece[0] == '[') {
        reading = {LineReading::Kind::header, headerName(piece), {}, 0};
        return true;
    }
    const std::string_view trimmed = trimBlanks(piece);
    if (trimmed.empty() || isComment(trimmed[0])) return true;
    rejection = "line " + std::to_string(lineNumber) +
                (trimmed[0] == '[' ? " indents the first section's header" : " holds an entry before the first section");
    return false;
}

bool wanted(const std::vector<std::string_view>& keys, std::string_view key) {
    if (keys.empty()) return true;
    return std::any_of(keys.begin(), keys.end(), [&](std::string_view each) { return sameProfileName(each, key); });
}

class Parser {
public:
    Parser(std::string_view text, ProfileRules rules, const std::vector<std::string_view>& keys, bool withLines,
           ProfileText& parsed)
        : text_(text), rules_(rules), keys_(keys), withLines_(withLines), parsed_(parsed) {}

    void run() {
        std::size_t number = 1;
        for (std::size_t line = 0; line < text_.size(); ++number) {
            const std::size_t lineEnd = lineEndAt(text_, line);
            if (!readLine(line, lineEnd, number)) {
                parsed_.sections.clear();
                parsed_.lines.clear();
                return;
            }
            line = lineEnd;
        }
    }

private:
    bool readLine(std::size_t line, std::size_t lineEnd, std::size_t number) {
        const std::size_t sectionsBefore = parsed_.sections.size();
        bool continued = false;  // a piece after the line's first one reads as something
        for (std::size_t at = line, next = 0; at < lineEnd; at = next) {
            const std::string_view piece = pieceAt(text_, at, lineEnd, next);
            LineReading reading;
            if (parsed_.sections.empty()) {
                if (!readLeadingPiece(piece, number, reading, parsed_.rejection)) return false;
            } else {
                reading = readPiece(piece, rules_);
            }
            if (reading.kind == LineReading::Kind::nothing) continue;
            continued = continued || at != line;
            take(reading, line, lineEnd);
        }
        if (continued && withLines_) markSplit(sectionsBefore, number);
        return true;
    }

    void take(const LineReading& reading, std::size_t line, std::size_t lineEnd) {
        if (reading.kind == LineReading::Kind::header) {
            parsed_.sections.push_back({std::string(reading.name), {}});
            if (withLines_) parsed_.lines.push_back({line, lineEnd, 0});
            return;
        }
        if (withLines_) parsed_.lines.back().end = lineEnd;
        if (wanted(keys_, reading.name)) {
            parsed_.sections.back().entries.push_back({std::string(reading.name), std::string(reading.value)});
        }
    }

    // Every section the line lies in: the one it began in and those it began.
    void markSplit(std::size_t sectionsBefore, std::size_t number) {
        const std::size_t first = sectionsBefore == 0 ? 0 : sectionsBefore - 1;
        for (std::size_t i = first; i < parsed_.lines.size(); ++i) {
            if (parsed_.lines[i].splitLine == 0) parsed_.lines[i].splitLine = number;
        }
    }

    std::string_view text_;
    ProfileRules rules_;
    const std::vector<std::string_view>& keys_;
    bool withLines_;
    ProfileText& parsed_;
};

}  // namespace

void parseProfile(std::string_view text, ProfileRules rules, const std::vector<std::string_view>& keys,
                  bool withLines, ProfileText& parsed) {
    parsed.sections.clear();
    parsed.lines.clear();
    parsed.rejection.clear();
    Parser(text, rules, keys, withLines, parsed).run();
}

LineReading readLine(std::string_view line) {
    std::size_t end = 0;
    return readPiece(pieceAt(line, 0, lineEndAt(line, 0), end), ProfileRules::opened);
}

std::string_view lineBreakOf(std::string_view text) {
    const std::size_t newline = text.find('\n');
    return newline != std::string_view::npos && newline > 0 && text[newline - 1] == '\r' ? "\r\n" : "\n";
}

}  // namespace rireve
