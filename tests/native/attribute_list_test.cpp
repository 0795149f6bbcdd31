#include "catalog/attribute_list.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace rireve {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs scan(std::string_view list) {
    Pairs pairs;
    scanAttributeList(list, [&](std::string_view key, std::string_view value) {
        pairs.emplace_back(key, value);
        return true;
    });
    return pairs;
}

std::string bytes(const char* text, std::size_t size) { return std::string(text, size); }

TEST(ScanAttributeList, YieldsEveryPairOfATerminatedList) {
    EXPECT_EQ(scan(bytes("A=1\0B=2\0\0", 9)), (Pairs{{"A", "1"}, {"B", "2"}}));
    EXPECT_EQ(scan(bytes("UsageCount=1\0\0", 14)), (Pairs{{"UsageCount", "1"}}));
    EXPECT_EQ(scan(bytes("Empty=\0\0", 8)), (Pairs{{"Empty", ""}}));
}

TEST(ScanAttributeList, StopsAtTheClosingEmptyPair) {
    // Whatever the buffer holds after the end of the list is not read.
    EXPECT_EQ(scan(bytes("A=1\0\0B=2\0\0", 11)), (Pairs{{"A", "1"}}));
    EXPECT_TRUE(scan(bytes("\0\0A=1\0\0", 7)).empty());
    EXPECT_TRUE(scan("").empty());
}

TEST(ScanAttributeList, KeepsTheLongStandingRulesForOddPairs) {
    // Every "=" ends a key.
    EXPECT_EQ(scan(bytes("a=b=c\0\0", 7)), (Pairs{{"b", "c"}}));
    // A pair without "=" is the value of the key before it.
    EXPECT_EQ(scan(bytes("A=1\0loose\0\0", 11)), (Pairs{{"A", "1"}, {"A", "loose"}}));
    // ...and is skipped while no key has been read.
    EXPECT_EQ(scan(bytes("loose\0A=1\0\0", 11)), (Pairs{{"A", "1"}}));
    EXPECT_TRUE(scan(bytes("loose\0\0", 7)).empty());
    EXPECT_EQ(scan(bytes("=x\0\0", 4)), (Pairs{{"", "x"}}));
}

TEST(ScanAttributeList, CompletesAListThatFillsItsBufferWithoutTerminator) {
    std::string list = bytes("A=1\0B=", 6);
    list.append(1024 - list.size(), 'v');
    const Pairs pairs = scan(list);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1].first, "B");
    EXPECT_EQ(pairs[1].second, std::string(1018, 'v'));
    // Ending on a single NUL at the buffer's last byte is a complete list too.
    EXPECT_EQ(scan(bytes("A=1\0B=2\0", 8)), (Pairs{{"A", "1"}, {"B", "2"}}));
    EXPECT_EQ(scan("A="), (Pairs{{"A", ""}}));
}

TEST(ScanAttributeList, EveryKeyAndValueIsARunOfTheInput) {
    const std::string list = bytes("k1=v1\0k2=v2\0\0", 13);
    scanAttributeList(list, [&](std::string_view key, std::string_view value) {
        EXPECT_GE(key.data(), list.data());
        EXPECT_LE(value.data() + value.size(), list.data() + list.size());
        return true;
    });
}

TEST(ScanAttributeList, StopsWhenTheCallerDoes) {
    int calls = 0;
    scanAttributeList(bytes("A=1\0B=2\0C=3\0\0", 13), [&](std::string_view, std::string_view) {
        ++calls;
        return false;
    });
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace rireve
