// The configuration reader and the line edits, given any bytes:
// - read in parts of any size, the text reads as it does whole, by both rules;
// - the sections' lines lie in order inside the text;
// - a section that holds no split line, edited, removed, or a new one added
//   at the end, reads back as the change means: what the writer checks
//   before it replaces a file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "profile/profile_text.h"
#include "profile/section_layout.h"

namespace {

using namespace rireve;

Profile readWhole(std::string_view text, ProfileRules rules = ProfileRules::opened) {
    ProfileText parsed;
    parseProfile(text, rules, {}, false, parsed);
    return parsed.sections;
}

void checkParts(std::string_view text, std::size_t partSize, ProfileRules rules) {
    ProfileText parsed;
    ProfileParser parser(rules, {}, false, parsed);
    std::string held;
    for (std::size_t at = 0; at <= text.size(); at += partSize) {
        held.append(text.substr(at, partSize));
        const bool last = at + partSize > text.size();
        held.erase(0, parser.read(held, last));
        if (last) break;
    }
    if (parsed.sections != readWhole(text, rules)) std::abort();
}

void checkChanges(std::string_view text, const ProfileText& before) {
    const std::vector<EntryEdit> edits = {{"k", std::string("v")}, {"Gone", std::nullopt}};
    for (std::size_t i = 0; i < before.lines.size() && i < 4; ++i) {
        if (before.lines[i].splitLine != 0) continue;
        Profile expected = before.sections;
        editEntries(expected[i].entries, edits);
        if (readWhole(editSectionText(text, before.lines[i], edits)) != expected) std::abort();
        std::vector<bool> removed(before.lines.size());
        removed[i] = true;
        expected = before.sections;
        expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(i));
        if (readWhole(replaceSections(text, before.lines, removed, {})) != expected) std::abort();
    }
    const ProfileSection added{"new", {{"k", "v"}}};
    Profile expected = before.sections;
    expected.push_back(added);
    const std::string insertion = sectionText(added, lineBreakOf(text));
    if (readWhole(replaceSections(text, before.lines, std::vector<bool>(before.lines.size()), insertion)) != expected) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t partSize = 1 + data[0] % 64;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    ProfileText parsed;
    parseProfile(text, ProfileRules::opened, {}, true, parsed);
    if (parsed.lines.size() != parsed.sections.size()) std::abort();
    for (std::size_t i = 0; i < parsed.lines.size(); ++i) {
        const SectionLines& lines = parsed.lines[i];
        if (lines.begin > lines.end || lines.end > text.size()) std::abort();
        if (i > 0 && lines.begin < parsed.lines[i - 1].begin) std::abort();
    }
    checkParts(text, partSize, ProfileRules::opened);
    checkParts(text, partSize, ProfileRules::added);
    if (parsed.rejection.empty()) checkChanges(text, parsed);
    return 0;
}
