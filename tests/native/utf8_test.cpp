#include "base/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace rireve {
namespace {

std::u16string decode(std::string_view bytes) {
    std::u16string out(bytes.size(), u'\0');
    out.resize(decodeUtf8(bytes, out.data()));
    return out;
}

TEST(DecodeUtf8, TakesWellFormedTextOfEveryLength) {
    EXPECT_EQ(decode("SQLite3"), u"SQLite3");
    EXPECT_EQ(decode("D\xC3\xA4t\xC3\xA4"), u"Dätä");
    EXPECT_EQ(decode("\xE2\x82\xAC"), u"€");
    // Beyond the Basic Multilingual Plane: one code point, two UTF-16 units.
    EXPECT_EQ(decode("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(decode("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
}

TEST(DecodeUtf8, ReplacesEachMaximalIllFormedSubpart) {
    EXPECT_EQ(decode("a\x80" "b"), u"a\uFFFDb");            // stray continuation
    EXPECT_EQ(decode("\xC0\xAF"), u"\uFFFD\uFFFD");        // overlong lead
    EXPECT_EQ(decode("\xE0\x80\xAF"), u"\uFFFD\uFFFD\uFFFD");  // overlong 3-byte form
    EXPECT_EQ(decode("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    EXPECT_EQ(decode("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // beyond U+10FFFF
    EXPECT_EQ(decode("\xF5" "A"), u"\uFFFDA");
    // A truncated sequence is one replacement, and the byte that broke it is read again.
    EXPECT_EQ(decode("\xF0\x9F\x98" "A"), u"\uFFFDA");
    EXPECT_EQ(decode("\xE2\x82"), u"\uFFFD");
}

TEST(DecodeUtf8, NeverWritesMoreUnitsThanBytes) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    bytes += "\xF0\x9F\x98\x80\xF0\x9F";
    std::u16string out(bytes.size() + 8, u'#');
    const std::size_t written = decodeUtf8(bytes, out.data());
    EXPECT_LE(written, bytes.size());
    EXPECT_EQ(out[bytes.size()], u'#');
}

struct Encoded {
    EncodeStatus status;
    std::string bytes;
};

Encoded encode(std::u16string_view units, std::size_t capacity = 64) {
    std::string out(capacity, '#');
    std::size_t length = 99;
    const EncodeStatus status = encodeUtf8(units.data(), units.size(), out.data(), capacity, &length);
    return {status, status == EncodeStatus::ok ? out.substr(0, length + 1) : out.substr(0, 1)};
}

TEST(EncodeUtf8, WritesStandardUtf8NotTheVmsModifiedForm) {
    EXPECT_EQ(encode(u"D\u00e4t\u00e4").bytes, std::string("D\xC3\xA4t\xC3\xA4", 7));
    // Modified UTF-8 would write two 3-byte surrogates here.
    EXPECT_EQ(encode(u"\U0001F600").bytes, std::string("\xF0\x9F\x98\x80", 5));
    EXPECT_EQ(encode(u"\u0800\uFFFF").bytes, std::string("\xE0\xA0\x80\xEF\xBF\xBF", 7));
}

TEST(EncodeUtf8, RefusesWhatNoNulTerminatedUtf8TextCanCarry) {
    constexpr char16_t high = 0xD83D;
    constexpr char16_t low = 0xDE00;
    EXPECT_EQ(encode(std::u16string{u'a', high}).status, EncodeStatus::unpairedSurrogate);
    EXPECT_EQ(encode(std::u16string{low, u'a'}).status, EncodeStatus::unpairedSurrogate);
    EXPECT_EQ(encode(std::u16string{high, high, low}).status, EncodeStatus::unpairedSurrogate);
    EXPECT_EQ(encode(std::u16string{high, low}).status, EncodeStatus::ok);
    EXPECT_EQ(encode(std::u16string(u"a\0b", 3)).status, EncodeStatus::embeddedNul);
    EXPECT_EQ(encode(std::u16string{u'a', high}).bytes, std::string(1, '\0'));
}

TEST(EncodeUtf8, KeepsRoomForTheTerminatingNul) {
    EXPECT_EQ(encode(u"abc", 4).status, EncodeStatus::ok);
    EXPECT_EQ(encode(u"abcd", 4).status, EncodeStatus::tooLong);
    // A multi-byte character that would straddle the end is not split.
    EXPECT_EQ(encode(u"ab\u00e4", 4).status, EncodeStatus::tooLong);
    EXPECT_EQ(encode(u"a\U0001F600", 6).status, EncodeStatus::ok);
    EXPECT_EQ(encode(u"a\U0001F600", 5).status, EncodeStatus::tooLong);
    EXPECT_EQ(encode(u"", 1).status, EncodeStatus::ok);
}

}  // namespace
}  // namespace rireve
