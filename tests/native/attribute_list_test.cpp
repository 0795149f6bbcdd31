#include "catalog/attribute_list.h"
#include "installer/setup_request.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <tuple>
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

namespace rireve {
namespace {

using namespace std::string_literals;

TEST(SetupRequest, AttributesAreConfigDsnsListOfNulEndedEntries) {
    const struct {
        std::string made;
        std::string expected;
    } cases[] = {
        {composeAttributeList("a", {{"K", "v"}, {"Note", "x y"}}), "DSN=a\0K=v\0Note=x y\0\0"s},
        {composeAttributeList("a", {}), "DSN=a\0\0"s},
        {attributeListOf("DSN=a;K=v;;L=w"), "DSN=a\0K=v\0L=w\0\0"s},
        {attributeListOf("DSN=a"), "DSN=a\0\0"s},
        {attributeListOf(""), "\0\0"s},
    };
    for (const auto& each : cases) EXPECT_EQ(each.made, each.expected);
}

TEST(SetupRequest, CrossesToTheChildWhole) {
    const SetupRequest sent{"/lib/setup.so", 4, "A Driver", "DSN=a\0K=v\0\0"s};
    const std::string input = formatSetupRequest(sent);
    ASSERT_EQ(input.compare(0, kSetupRequestLine.size(), kSetupRequestLine), 0);
    SetupRequest taken;
    ASSERT_TRUE(parseSetupRequest(std::string_view(input).substr(kSetupRequestLine.size()), taken));
    EXPECT_EQ(std::tie(taken.library, taken.request, taken.driver, taken.attributes),
              std::tie(sent.library, sent.request, sent.driver, sent.attributes));
    for (const std::string& bad : {"lib\0001\0driver\0DSN=a\0"s, "lib\0x\0driver\0DSN=a\0\0"s, "lib\0001\0"s}) {
        EXPECT_FALSE(parseSetupRequest(bad, taken)) << bad;
    }
}

TEST(SetupRequest, TheChildsEndIsItsAnswerOrWhyThereIsNone) {
    using Kind = ChildEnd::Kind;
    const struct {
        ChildEnd end;
        bool answered;
        SetupAnswer::Verdict verdict;
        std::string reason;
    } cases[] = {
        {{Kind::exited, 0, formatSetupAnswer({SetupAnswer::Verdict::done, {}})}, true, SetupAnswer::Verdict::done, ""},
        {{Kind::exited, 0, formatSetupAnswer({SetupAnswer::Verdict::none, {}})}, true, SetupAnswer::Verdict::none, ""},
        {{Kind::exited, 0, formatSetupAnswer({SetupAnswer::Verdict::refused, "no\nway"})}, true,
         SetupAnswer::Verdict::refused, "no way"},
        {{Kind::signalled, 11, "done\n"}, false, {}, "the setup library s.so's process ended with signal 11 (SIGSEGV) before it answered"},
        {{Kind::exited, 3, "done\n"}, false, {}, "the setup library s.so's process ended with exit status 3 before it answered"},
        {{Kind::timedOut, 0, ""}, false, {}, "the setup library s.so gave no answer within 1.25 s; its process was ended"},
    };
    const SetupRequest request{"s.so", 1, "D", "DSN=a\0\0"s};
    for (const auto& each : cases) {
        SetupAnswer answer;
        bool answered = true;
        const Status status = readSetupAnswer(each.end, request, std::chrono::milliseconds(1250), answer, answered);
        EXPECT_EQ(answered, each.answered) << each.reason;
        EXPECT_EQ(answered ? answer.reason : status.reason(), each.reason);
        EXPECT_EQ(answered ? answer.verdict : each.verdict, each.verdict) << each.reason;
    }
}

}  // namespace
}  // namespace rireve
