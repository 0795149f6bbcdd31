#include "profile/section_layout.h"

#include "base/text_rules.h"

namespace rireve {
namespace {

std::size_t lineEnd(std::string_view text, std::size_t start) {
    const std::size_t newline = text.find('\n', start);
    return newline == std::string_view::npos ? text.size() : newline + 1;
}

const EntryEdit* findEdit(const std::vector<EntryEdit>& edits, std::string_view key) {
    for (const EntryEdit& edit : edits) {
        if (sameProfileName(edit.key, key)) return &edit;
    }
    return nullptr;
}

void appendEntryLine(std::string& text, std::string_view key, std::string_view value, std::string_view lineBreak) {
    text.append(key).append(1, '=').append(value).append(lineBreak);
}

// The line break a line ends with: "\r\n", "\n", or none at the file's end.
std::string_view breakOf(std::string_view line) {
    if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) return line.substr(line.size() - 2);
    if (!line.empty() && line.back() == '\n') return line.substr(line.size() - 1);
    return {};
}

void appendReplacedLine(std::string& text, std::string_view line, const LineReading& reading, std::string_view value) {
    if (reading.valueBegin != std::string_view::npos) {
        text.append(line.substr(0, reading.valueBegin));
    } else {  // a key without "=": its indentation and key
        text.append(line.substr(0, static_cast<std::size_t>(reading.name.data() - line.data()) + reading.name.size()));
        text.append(1, '=');
    }
    text.append(value).append(breakOf(line));
}

void endLastLine(std::string& text, std::string_view lineBreak) {
    if (!text.empty() && text.back() != '\n') text.append(lineBreak);
}

}  // namespace

std::string replaceSections(std::string_view text, const std::vector<SectionLines>& lines,
                            const std::vector<bool>& replaced, std::string_view insertion) {
    std::string result;
    result.reserve(text.size() + insertion.size() + 4);
    std::size_t copied = 0;
    bool inserted = false;
    bool kept = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!replaced[i]) {
            // A header that becomes the file's first loses its indentation:
            // unixODBC rejects a file whose first header is indented.
            if (!kept && !inserted && i > 0) {
                result.append(text.substr(copied, lines[i].begin - copied));
                copied = lines[i].begin;
                while (copied < lines[i].end && isBlank(text[copied])) ++copied;
            }
            kept = true;
            continue;
        }
        result.append(text.substr(copied, lines[i].begin - copied));
        if (!inserted) result.append(insertion);
        inserted = inserted || !insertion.empty();
        copied = lines[i].end;
    }
    result.append(text.substr(copied));
    if (inserted || insertion.empty()) return result;
    // A new section goes on a line of its own, after a blank line.
    const std::string_view lineBreak = lineBreakOf(text);
    endLastLine(result, lineBreak);
    const std::string blankLine = std::string(lineBreak) + std::string(lineBreak);
    if (!result.empty() && result != lineBreak && result.compare(result.size() - std::min(result.size(), blankLine.size()),
                                                                 blankLine.size(), blankLine) != 0) {
        result.append(lineBreak);
    }
    return result.append(insertion);
}

std::string editSectionText(std::string_view text, const SectionLines& lines, const std::vector<EntryEdit>& edits) {
    const std::string_view lineBreak = lineBreakOf(text);
    std::string result(text.substr(0, lines.begin));
    result.reserve(text.size() + 256);
    std::vector<bool> placed(edits.size());
    for (std::size_t start = lines.begin; start < lines.end;) {
        const std::size_t end = lineEnd(text, start);
        const std::string_view line = text.substr(start, end - start);
        const LineReading reading = readLine(line);
        const EntryEdit* edit = reading.kind == LineReading::Kind::entry ? findEdit(edits, reading.name) : nullptr;
        start = end;
        if (edit == nullptr) {
            result.append(line);
            continue;
        }
        const std::size_t index = static_cast<std::size_t>(edit - edits.data());
        if (edit->value && !placed[index]) appendReplacedLine(result, line, reading, *edit->value);
        placed[index] = true;
    }
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (placed[i] || !edits[i].value) continue;
        endLastLine(result, lineBreak);
        appendEntryLine(result, edits[i].key, *edits[i].value, lineBreak);
    }
    return result.append(text.substr(lines.end));
}

std::string sectionText(const ProfileSection& section, std::string_view lineBreak) {
    std::string text = "[" + section.name + "]";
    text.append(lineBreak);
    for (const ProfileEntry& entry : section.entries) appendEntryLine(text, entry.key, entry.value, lineBreak);
    return text;
}

}  // namespace rireve
