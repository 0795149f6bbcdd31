#include "profile/section_layout.h"

#include <algorithm>

#include "base/text_rules.h"

namespace rireve {
namespace {

enum class LineKind { blank, comment, header, entry };

LineKind kindOf(std::string_view line) {
    const auto first = std::find_if_not(line.begin(), line.end(), isBlank);
    if (first == line.end()) return LineKind::blank;
    if (*first == '[') return LineKind::header;
    if (*first == '#' || *first == ';') return LineKind::comment;
    return LineKind::entry;
}

std::size_t lineEnd(std::string_view text, std::size_t start) {
    const std::size_t limit = std::min(text.size(), start + kMaxLineBytes);
    const std::size_t newline = text.find('\n', start);
    return newline == std::string_view::npos || newline >= limit ? limit : newline + 1;
}

// The key of an entry line, trimmed as the reader trims it.
std::string_view keyOf(std::string_view line) { return trimBlanks(line.substr(0, line.find('='))); }

const EntryEdit* findEdit(const std::vector<EntryEdit>& edits, std::string_view key) {
    for (const EntryEdit& edit : edits) {
        if (sameProfileName(edit.key, key)) return &edit;
    }
    return nullptr;
}

void appendEntryLine(std::string& text, std::string_view key, std::string_view value) {
    text.append(key).append(1, '=').append(value).append(1, '\n');
}

}  // namespace

std::vector<SectionSpan> findSectionSpans(std::string_view text) {
    std::vector<SectionSpan> spans;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = lineEnd(text, start);
        switch (kindOf(text.substr(start, end - start))) {
            case LineKind::header: spans.push_back({start, end}); break;
            case LineKind::entry:
                if (!spans.empty()) spans.back().end = end;
                break;
            default: break;
        }
        start = end;
    }
    return spans;
}

std::string describeLayoutMismatch(std::string_view text) {
    bool inSection = false;
    std::size_t number = 1;
    for (std::size_t start = 0; start < text.size(); ++number) {
        const std::size_t newline = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, newline - start);
        if (line.size() > kMaxLineBytes) {
            return "line " + std::to_string(number) + " is longer than " + std::to_string(kMaxLineBytes) + " bytes";
        }
        const LineKind kind = kindOf(line);
        if (kind == LineKind::entry && !inSection) {
            return "line " + std::to_string(number) + " holds an entry before the first section";
        }
        inSection = inSection || kind == LineKind::header;
        start = newline + 1;
    }
    return "its sections are not where the reader finds them";
}

std::string replaceSections(std::string_view text, const std::vector<SectionSpan>& spans,
                            const std::vector<bool>& replaced, std::string_view insertion) {
    std::string result;
    result.reserve(text.size() + insertion.size() + 2);
    std::size_t copied = 0;
    bool inserted = false;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        if (!replaced[i]) continue;
        result.append(text.substr(copied, spans[i].begin - copied));
        if (!inserted) result.append(insertion);
        inserted = true;
        copied = spans[i].end;
    }
    result.append(text.substr(copied));
    if (inserted || insertion.empty()) return result;
    // A new section goes on a line of its own, after a blank line.
    if (!result.empty() && result.back() != '\n') result.append(1, '\n');
    if (!result.empty() && result != "\n" && result.compare(result.size() - 2, 2, "\n\n") != 0) {
        result.append(1, '\n');
    }
    return result.append(insertion);
}

std::string editSectionText(std::string_view text, const SectionSpan& span, const std::vector<EntryEdit>& edits) {
    std::string result(text.substr(0, span.begin));
    std::vector<bool> placed(edits.size());
    for (std::size_t start = span.begin; start < span.end;) {
        const std::size_t end = lineEnd(text, start);
        const std::string_view line = text.substr(start, end - start);
        const EntryEdit* edit = kindOf(line) == LineKind::entry ? findEdit(edits, keyOf(line)) : nullptr;
        start = end;
        if (edit == nullptr) {
            result.append(line);
            continue;
        }
        const std::size_t index = static_cast<std::size_t>(edit - edits.data());
        if (edit->value && !placed[index]) appendEntryLine(result, keyOf(line), *edit->value);
        placed[index] = true;
    }
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (placed[i] || !edits[i].value) continue;
        if (!result.empty() && result.back() != '\n') result.append(1, '\n');
        appendEntryLine(result, edits[i].key, *edits[i].value);
    }
    return result.append(text.substr(span.end));
}

}  // namespace rireve
