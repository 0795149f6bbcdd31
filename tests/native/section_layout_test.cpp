#include "profile/section_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace rireve {
namespace {

std::vector<SectionLines> findSectionSpans(std::string_view text) {
    ProfileText parsed;
    parseProfile(text, ProfileRules::opened, {}, true, parsed);
    return parsed.lines;
}

std::string spanned(std::string_view text) {
    std::string out;
    for (const SectionLines& span : findSectionSpans(text)) {
        out += "<" + std::string(text.substr(span.begin, span.end - span.begin)) + ">";
        if (span.splitLine != 0) out += "split at " + std::to_string(span.splitLine);
    }
    return out;
}

// Sections and entries as read, "[name]key=value;" each.
std::string read(std::string_view text, ProfileRules rules = ProfileRules::opened) {
    ProfileText parsed;
    parseProfile(text, rules, {}, false, parsed);
    if (!parsed.rejection.empty()) return "rejected: " + parsed.rejection;
    std::string out;
    for (const ProfileSection& section : parsed.sections) {
        out += "[" + section.name + "]";
        for (const ProfileEntry& entry : section.entries) out += entry.key + "=" + entry.value + ";";
    }
    return out;
}

TEST(ProfileText, ReadsAsUnixOdbcReads) {
    const std::string piece(997, 'v');
    const std::pair<std::string, std::string> cases[] = {
        {"# c\n\n[ a b ] tail\n k = v = w \r\n;x=1\n\t#y\nflag\n=e\n  [b\nK=\v1\f", "[a b]k=v = w;flag=;=e;[b]K=1;"},
        {std::string("[a]\nk=v\0ignored\nn=1", 19), "[a]k=v;n=1;"},
        {"[a]\nk=" + piece + "x=2\n", "[a]k=" + piece + ";x=2;"},  // a piece holds 999 bytes
        {"[a]\nk=" + piece + "  [b]\n", "[a]k=" + piece + ";[b]"},
        {"  [a]\nk=1\n", "rejected: line 1 indents the first section's header"},
        {"\n# c\nk=1\n[a]\n", "rejected: line 3 holds an entry before the first section"},
        {"#" + std::string(998, 'c') + "k=1\n[a]\n", "rejected: line 1 holds an entry before the first section"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(read(text), expected) << text;
    // A file added behind another: headers and entries only at a line's start, entries from a letter or digit.
    EXPECT_EQ(read("[a]\n k=1\n_u=2\n9=3\n  [b]\nx=4\n[c] \n", ProfileRules::added), "[a]9=3;x=4;[c]");
}

TEST(SectionSpans, EndAtTheLastEntryLineAsTheReaderSplitsLines) {
    EXPECT_EQ(spanned("# c\n[a]\nk=1\n; c\n\nk=2\n\n# next\n  [b]\r\nk\n[c]"), "<[a]\nk=1\n; c\n\nk=2\n><  [b]\r\nk\n><[c]>");
    // A line over 999 bytes goes on as further lines, which may open sections
    // or hold entries: both sections are marked; a blank rest is nothing.
    const std::string longLine = "k=" + std::string(997, 'v') + "[b]\n";
    EXPECT_EQ(spanned("[a]\n" + longLine), "<[a]\n" + longLine + ">split at 2<" + longLine + ">split at 2");
    EXPECT_EQ(spanned("[a]\nk=" + std::string(2000, ' ') + "\n").find("split"), std::string::npos);
}

TEST(SectionSpans, ReplacingTakesOutTheMarkedSectionsAndKeepsEveryOtherByte) {
    const std::string text = "# c\n[a]\nk=1\n\n[b]\nk=2\n# about c\n[c]\nk=3\n";
    const auto spans = findSectionSpans(text);
    EXPECT_EQ(replaceSections(text, spans, {false, true, false}, "[B]\n"), "# c\n[a]\nk=1\n\n[B]\n# about c\n[c]\nk=3\n");
    EXPECT_EQ(replaceSections(text, spans, {true, false, true}, ""), "# c\n\n[b]\nk=2\n# about c\n");
    EXPECT_EQ(replaceSections(text, spans, {false, false, false}, "[d]\n"), text + "\n[d]\n");
    EXPECT_EQ(replaceSections("[a]\nk=1", findSectionSpans("[a]\nk=1"), {false}, "[d]\n"), "[a]\nk=1\n\n[d]\n");
    EXPECT_EQ(replaceSections("", {}, {}, "[d]\n"), "[d]\n");
    // Left first, an indented header would make unixODBC reject the file.
    const std::string indented = "[a]\nk=1\n# c\n  [b]\nk=2\n";
    EXPECT_EQ(replaceSections(indented, findSectionSpans(indented), {true, false}, ""), "# c\n[b]\nk=2\n");
}

TEST(SectionSpans, EditingChangesOnlyTheLinesOfTheKeysNamed) {
    const std::vector<EntryEdit> edits = {{"port", std::string("3")}, {"Gone", std::nullopt}, {"New", std::string("n")}};
    const auto edited = [&](const std::string& text) {
        return editSectionText(text, findSectionSpans(text).at(0), edits);
    };
    EXPECT_EQ(edited("[a]\nPort = 1\n# c\ngone=x\nPORT=2\n\n[b]\nport=9\n"), "[a]\nPort = 3\n# c\nNew=n\n\n[b]\nport=9\n");
    EXPECT_EQ(edited("[a]"), "[a]\nport=3\nNew=n\n");
    EXPECT_EQ(edited("[a]\nk=v"), "[a]\nk=v\nport=3\nNew=n\n");
    // Indentation, blanks around "=" and line breaks stay; new lines end as the file's first.
    EXPECT_EQ(edited("[a]\r\n\tport\t=  1  \r\nk=v"), "[a]\r\n\tport\t=  3\r\nk=v\r\nNew=n\r\n");
    EXPECT_EQ(edited("[a]\n  port\n  port =\n"), "[a]\n  port=3\nNew=n\n");
    // A line longer than a piece is replaced or removed whole.
    EXPECT_EQ(edited("[a]\nport=" + std::string(1500, 'x') + "\ngone=" + std::string(990, 'y') + std::string(900, ' ') + "\n"),
              "[a]\nport=3\nNew=n\n");
    std::vector<ProfileEntry> entries = {{"Port", "1"}, {"gone", "x"}, {"PORT", "2"}, {"k", "v"}};
    editEntries(entries, edits);
    EXPECT_EQ(entries, (std::vector<ProfileEntry>{{"Port", "3"}, {"k", "v"}, {"New", "n"}}));
}

}  // namespace
}  // namespace rireve
