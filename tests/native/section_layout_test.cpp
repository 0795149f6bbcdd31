#include "profile/section_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace rireve {
namespace {

std::string spanned(std::string_view text) {
    std::string out;
    for (const SectionSpan& span : findSectionSpans(text)) out += "<" + std::string(text.substr(span.begin, span.end - span.begin)) + ">";
    return out;
}

TEST(SectionSpans, EndAtTheLastEntryLineAsTheReaderSplitsLines) {
    EXPECT_EQ(spanned("# c\n[a]\nk=1\n; c\n\nk=2\n\n# next\n  [b]\r\nk\n[c]"), "<[a]\nk=1\n; c\n\nk=2\n><  [b]\r\nk\n><[c]>");
    EXPECT_EQ(spanned("k=0\n[a]\nk=1"), "<[a]\nk=1>");
    // A line over 999 bytes goes on as further lines, which may open sections.
    const std::string longLine = "k=" + std::string(997, 'v') + "[b]\n";
    EXPECT_EQ(findSectionSpans("[a]\n" + longLine).size(), 2u);
    EXPECT_EQ(findSectionSpans("[a]\nk=" + std::string(996, 'v') + "[b]\n").size(), 1u);
}

TEST(SectionSpans, ReplacingTakesOutTheMarkedSectionsAndKeepsEveryOtherByte) {
    const std::string text = "# c\n[a]\nk=1\n\n[b]\nk=2\n# about c\n[c]\nk=3\n";
    const auto spans = findSectionSpans(text);
    EXPECT_EQ(replaceSections(text, spans, {false, true, false}, "[B]\n"), "# c\n[a]\nk=1\n\n[B]\n# about c\n[c]\nk=3\n");
    EXPECT_EQ(replaceSections(text, spans, {true, false, true}, ""), "# c\n\n[b]\nk=2\n# about c\n");
    EXPECT_EQ(replaceSections(text, spans, {false, false, false}, "[d]\n"), text + "\n[d]\n");
    EXPECT_EQ(replaceSections("[a]\nk=1", findSectionSpans("[a]\nk=1"), {false}, "[d]\n"), "[a]\nk=1\n\n[d]\n");
    EXPECT_EQ(replaceSections("", {}, {}, "[d]\n"), "[d]\n");
}

TEST(SectionSpans, EditingChangesOnlyTheLinesOfTheKeysNamed) {
    const std::vector<EntryEdit> edits = {{"port", std::string("3")}, {"Gone", std::nullopt}, {"New", std::string("n")}};
    const auto edited = [&](const std::string& text) {
        return editSectionText(text, findSectionSpans(text).at(0), edits);
    };
    EXPECT_EQ(edited("[a]\nPort = 1\n# c\ngone=x\nPORT=2\n\n[b]\nport=9\n"), "[a]\nPort=3\n# c\nNew=n\n\n[b]\nport=9\n");
    EXPECT_EQ(edited("[a]"), "[a]\nport=3\nNew=n\n");
    EXPECT_EQ(edited("[a]\nk=v"), "[a]\nk=v\nport=3\nNew=n\n");
    std::vector<ProfileEntry> entries = {{"Port", "1"}, {"gone", "x"}, {"PORT", "2"}, {"k", "v"}};
    editEntries(entries, edits);
    EXPECT_EQ(entries, (std::vector<ProfileEntry>{{"Port", "3"}, {"k", "v"}, {"New", "n"}}));
}

}  // namespace
}  // namespace rireve
