#include "installer/attribute_text.h"

#include <gtest/gtest.h>

#include <string>

namespace rireve {
namespace {

TEST(DataSourceName, FollowsTheInstallersRule) {
    EXPECT_TRUE(isValidDataSourceName("demo"));
    EXPECT_TRUE(isValidDataSourceName("my data-source_2.x"));
    EXPECT_TRUE(isValidDataSourceName("D\xC3\xA4t\xC3\xA4"));
    EXPECT_TRUE(isValidDataSourceName(std::string(32, 'n')));
    EXPECT_FALSE(isValidDataSourceName(std::string(33, 'n')));
    EXPECT_FALSE(isValidDataSourceName(""));
    for (char c : std::string("[]{}(),;?*=!@\\")) {
        EXPECT_FALSE(isValidDataSourceName(std::string("a") + c + "b")) << c;
    }
}

TEST(DataSourceName, RefusesWhatWouldBreakTheProfileFile) {
    EXPECT_FALSE(isValidDataSourceName("a\nb"));
    EXPECT_FALSE(isValidDataSourceName("a\rb"));
    EXPECT_FALSE(isValidDataSourceName(std::string("a\0b", 3)));
    EXPECT_FALSE(isValidAttributeText("Database=x\n[other]"));
    EXPECT_TRUE(isValidAttributeText("Database=/tmp/x.db;Timeout=100"));
    EXPECT_TRUE(isValidAttributeText(";Drivers=x;;DSNs=y;Path=[x];Note=#1;"));
    for (const char* hostile : {"Driver=x", "a=1; dsn =x", "\tDRIVER", "[evil]=1", " #c=1", "x=1;;Dsn"}) {
        EXPECT_FALSE(isValidAttributeText(hostile)) << hostile;
    }
    EXPECT_FALSE(isValidDataSourceName(" lead"));
    EXPECT_FALSE(isValidDataSourceName("trail "));
    EXPECT_FALSE(isValidDataSourceName("odbc"));
    EXPECT_FALSE(isValidDataSourceName("ODBC Data Sources"));
    EXPECT_TRUE(isValidDataSourceName("ODBC2"));
}

TEST(AttributeText, StartsWithDsnAndEndsWithTwoNuls) {
    AttributeText text;
    EXPECT_EQ(std::string(text.bytes(), text.size()), "DSN=");
    ASSERT_TRUE(text.append("demo"));
    EXPECT_EQ(std::string(text.bytes(), text.size() + 2), std::string("DSN=demo\0\0", 10));
}

TEST(AttributeText, HoldsAtMost1022Bytes) {
    AttributeText text;
    EXPECT_FALSE(text.append(std::string(1019, 'x')));
    EXPECT_EQ(text.size(), 4u);
    ASSERT_TRUE(text.append(std::string(1018, 'x')));
    EXPECT_EQ(text.size(), kMaxAttributeTextBytes);
    EXPECT_FALSE(text.append("y"));
    EXPECT_EQ(text.bytes()[1022], '\0');
    EXPECT_EQ(text.bytes()[1023], '\0');
}

TEST(ComposeAttributeText, ChecksTheNameThenTheLengthThenTheText) {
    const std::string_view none;
    const std::string_view pairs = "Database=/tmp/x.db";
    const std::string_view broken = "A=1\n[evil]";
    AttributeText text;
    EXPECT_EQ(composeAttributeText("a;b", &pairs, text), TextCheck::invalidName);
    EXPECT_EQ(std::string(text.bytes(), text.size()), "DSN=");
    AttributeText withNone;
    EXPECT_EQ(composeAttributeText("demo", nullptr, withNone), TextCheck::ok);
    EXPECT_EQ(std::string(withNone.bytes(), withNone.size() + 2), std::string("DSN=demo\0\0", 10));
    AttributeText empty;
    EXPECT_EQ(composeAttributeText("demo", &none, empty), TextCheck::ok);
    EXPECT_EQ(std::string(empty.bytes(), empty.size()), "DSN=demo;");
    AttributeText bad;
    EXPECT_EQ(composeAttributeText("demo", &broken, bad), TextCheck::invalidAttributes);
    // 4 + 1 + 1 + 1016 = 1022 bytes fit; one more does not.
    const std::string exact(1016, 'x');
    const std::string_view exactView(exact);
    AttributeText full;
    EXPECT_EQ(composeAttributeText("n", &exactView, full), TextCheck::ok);
    EXPECT_EQ(full.size(), kMaxAttributeTextBytes);
    const std::string over(1017, 'x');
    const std::string_view overView(over);
    AttributeText tooLong;
    EXPECT_EQ(composeAttributeText("n", &overView, tooLong), TextCheck::tooLong);
}

}  // namespace
}  // namespace rireve
