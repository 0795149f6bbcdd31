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

}  // namespace
}  // namespace rireve
