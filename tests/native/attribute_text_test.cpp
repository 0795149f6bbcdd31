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
    EXPECT_EQ(text.room(), 1u);
    EXPECT_EQ(text.bytes()[1022], '\0');
    EXPECT_EQ(text.bytes()[1023], '\0');
}

}  // namespace
}  // namespace rireve
