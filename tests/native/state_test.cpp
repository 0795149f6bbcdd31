// The configuration as code over a private configuration (ODBCSYSINI,
// ODBCINI and HOME name the test's own folder): states applied to
// configurations, each case written anew.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>

#include "catalog/catalog.h"
#include "state/state.h"

namespace rireve {
namespace {

std::string path(const std::string& name) { return std::string(std::getenv("ODBCSYSINI")) + "/" + name; }
void write(const std::string& name, const std::string& text) { std::ofstream(path(name)) << text; }
std::string read(const std::string& name) {
    std::ostringstream text;
    text << std::ifstream(path(name)).rdbuf();
    return text.str();
}

const char* const kFiles[] = {"odbcinst.ini", ".odbcinst.ini", "odbc.ini", "user-odbc.ini"};

// The driver file, the user's drivers, the system's and the user's data sources.
void configure(const std::string& drivers, const std::string& userDrivers, const std::string& system,
               const std::string& user) {
    const std::string* texts[] = {&drivers, &userDrivers, &system, &user};
    for (int i = 0; i < 4; ++i) {
        std::remove(path(kFiles[i]).c_str());
        write(kFiles[i], *texts[i]);
    }
}

std::string files() {
    std::string text;
    for (const char* name : kFiles) text += std::string(name) + ":" + read(name) + "|";
    return text;
}

std::string describe(const std::vector<StateChange>& changes) {
    std::string text;
    for (const StateChange& c : changes) {
        text += std::string(kindName(c.kind)) + " [" + c.section + "]" + c.key + " " + c.before.value_or("-") + ">" +
                c.after.value_or("-") + "; ";
    }
    return text;
}

Status applyText(const std::string& text, ApplyReport& report, bool prune = false, bool check = false) {
    StateDocument document;
    Status status = parseStateText(text, document);
    StateOptions options;
    options.prune = prune;
    options.check = check;
    return status.ok() ? applyState(document, options, report) : status;
}

const std::string kPg = "[PG]\nDriver=/pg.so\nUsageCount=3\n";

struct Case {
    const char* what;
    std::string drivers, system, user, state;
    bool prune;
    std::string changes, user_after, drivers_after;
};

TEST(State, AppliedToConfigurationsMakesTheChangesPlannedAndNoneAgain) {
    setenv("SALES_PASSWORD", "s3cret", 1);
    const std::string sales = R"({"version":1,"dataSources":[{"name":"sales","scope":"user","driver":"PG","entries":)";
    const Case cases[] = {
        {"add", kPg, "", "", sales + R"({"Servername":"db1","Database":"sales"}}]})", false,
         "add [sales]Driver ->PG; add [sales]Servername ->db1; add [sales]Database ->sales; ",
         "[sales]\nDriver=PG\nServername=db1\nDatabase=sales\n", kPg},
        {"change, the rest kept", kPg, "", "# mine\n[other]\nDriver=PG\n\n[sales]\nDriver=PG\nDatabase = old\nPort=5\n",
         sales + R"({"Database":"new"}}]})", false, "change [sales]Database old>new; ",
         "# mine\n[other]\nDriver=PG\n\n[sales]\nDriver=PG\nDatabase = new\nPort=5\n", kPg},
        {"prune: unnamed sections and entries of the scope go, the system's stay", kPg, "[sys]\nDriver=PG\n",
         "[other]\nDriver=PG\n[sales]\nDriver=PG\nPort=5\n", sales + "{}}]}", true,
         "remove [sales]Port 5>-; remove [other]Driver PG>-; ", "[sales]\nDriver=PG\n", kPg},
        {"install counted once", "", "", "", R"({"version":1,"drivers":[{"name":"New","scope":"system","entries":{"Driver":"/n.so"}}]})",
         false, "install [New]Driver ->/n.so; install [New]UsageCount ->1; ", "", "[New]\nDriver=/n.so\nUsageCount=1\n"},
        {"an installed driver is not counted again", kPg, "", "",
         R"({"version":1,"drivers":[{"name":"pg","scope":"system","entries":{"Driver":"/pg.so"}}]})", false, "", "", kPg},
        {"prune counts off the state's one use", kPg + "[Mine]\nDriver=/m.so\nUsageCount=1\n", "", "",
         R"({"version":1,"drivers":[{"name":"Other","scope":"system","entries":{"Driver":"/o.so"}}]})", true,
         "install [Other]Driver ->/o.so; install [Other]UsageCount ->1; remove [Mine]Driver /m.so>-; count [Mine]UsageCount 1>-; ",
         "", kPg + "\n[Other]\nDriver=/o.so\nUsageCount=1\n"},
        {"a reference resolved, shown masked", kPg, "", "", sales + R"({"PWD":{"env":"SALES_PASSWORD"}}}]})", false,
         "add [sales]Driver ->PG; add [sales]PWD ->********; ", "[sales]\nDriver=PG\nPWD=s3cret\n", kPg},
        {"a redacted value keeps the one in place", kPg, "", "[sales]\nDriver=PG\nPWD=old\n",
         sales + R"({"PWD":{"redacted":true}}}]})", false, "", "[sales]\nDriver=PG\nPWD=old\n", kPg},
        {"settings", "[ODBC]\nTrace=No\n" + kPg, "", "", R"({"version":1,"settings":{"Trace":"Yes","TraceFile":"/t"}})",
         false, "change [ODBC]Trace No>Yes; add [ODBC]TraceFile ->/t; ", "", "[ODBC]\nTrace=Yes\nTraceFile=/t\n" + kPg},
    };
    for (const Case& each : cases) {
        configure(each.drivers, "", each.system, each.user);
        ApplyReport report;
        ASSERT_TRUE(applyText(each.state, report, each.prune).ok()) << each.what;
        EXPECT_EQ(describe(report.changes), each.changes) << each.what;
        EXPECT_EQ(report.changed, !each.changes.empty()) << each.what;
        EXPECT_EQ(read("user-odbc.ini"), each.user_after) << each.what;
        EXPECT_EQ(read("odbcinst.ini"), each.drivers_after) << each.what;
        EXPECT_EQ(read("odbc.ini"), each.system) << each.what;
        struct stat before = {};
        struct stat after = {};
        stat(path("user-odbc.ini").c_str(), &before);
        const std::string bytes = files();
        ApplyReport again;
        ASSERT_TRUE(applyText(each.state, again, each.prune).ok()) << each.what;
        stat(path("user-odbc.ini").c_str(), &after);
        EXPECT_FALSE(again.changed) << each.what << ": " << describe(again.changes);
        EXPECT_EQ(files(), bytes) << each.what;
        EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec) << each.what;
    }
    struct stat secret = {};
    configure(kPg, "", "", "");
    ApplyReport report;
    ASSERT_TRUE(applyText(cases[6].state, report).ok());
    ASSERT_EQ(stat(path("user-odbc.ini").c_str(), &secret), 0);
    EXPECT_EQ(secret.st_mode & 077, 0U) << "a user file that receives a secret is its owner's alone";
}

TEST(State, AFaultOrAnUnresolvedReferenceChangesNothingAndNamesItsPath) {
    const std::string source = R"({"version":1,"dataSources":[{"name":"s","scope":"user","driver":"PG","entries":)";
    const std::pair<std::string, std::string> cases[] = {
        {R"({"version":2})", "$.version: must be 1"},
        {R"({"version":1,"dataSource":[]})", "$.dataSource: is not a field"},
        {R"({"version":1,"dataSources":[{"name":"s","scope":"everyone"}]})", "$.dataSources[0].scope: must be"},
        {source + R"({"Driver":"x"}}]})", "$.dataSources[0].entries.Driver: the key Driver"},
        {source + R"({"a":"1","A":"2"}}]})", "$.dataSources[0].entries.A: the key A is given twice"},
        {source + R"({"a":" 1"}}]})", "$.dataSources[0].entries.a: the value begins or ends with a blank"},
        {source + R"({"PWD":{"env":"NO_SUCH_VARIABLE_HERE"}}}]})",
         "$.dataSources[0].entries.PWD: the environment variable NO_SUCH_VARIABLE_HERE is not set"},
        {source + R"({"PWD":{"file":"/nonexistent/pw"}}}]})", "$.dataSources[0].entries.PWD: the file of the reference"},
        {source + R"({"PWD":{"redacted":true}}}]})", "$.dataSources[0].entries.PWD: a redacted value has no value in place"},
        {R"({"version":1,"drivers":[{"name":"D","scope":"system","entries":{"Driver":"/d","UsageCount":"2"}}]})",
         "$.drivers[0].entries.UsageCount: the usage count"},
        {R"({"version":1,"drivers":[{"name":"D","scope":"user","entries":{}}]})", "$.drivers[0].entries: a driver's entries name its library"},
        {R"({"version":1,"dataSources":[{"name":"a","scope":"user"},{"name":"A","scope":"user"}]})", "$.dataSources[1]: A is named twice"},
        {R"({"version":1,)", "the state is not JSON"},
    };
    for (const auto& [state, expected] : cases) {
        configure(kPg, "", "", "[x]\nDriver=PG\n");
        const std::string before = files();
        ApplyReport report;
        const Status status = applyText(state, report, true);
        EXPECT_NE(status.reason().find(expected), std::string::npos) << state << " -> " << status.reason();
        EXPECT_EQ(files(), before) << state;
    }
}

TEST(State, ALaterFileRefusedPutsTheEarlierOnesBackAndCheckWritesNothing) {
    // unixODBC reads a line longer than 999 bytes as two entries: the writer leaves such a section alone.
    const std::string user = "[long]\nDriver=PG\nX=" + std::string(1200, 'x') + "\n";
    const std::string state = R"({"version":1,"dataSources":[{"name":"sys","scope":"system","driver":"PG"},)"
                              R"({"name":"long","scope":"user","driver":"PG","entries":{"Port":"1"}}]})";
    configure(kPg, "", "# kept\n", user);
    chmod(path("odbc.ini").c_str(), 0640);
    ApplyReport checked;
    ASSERT_TRUE(applyText(state, checked, false, true).ok());
    EXPECT_TRUE(checked.changed);
    EXPECT_EQ(read("odbc.ini"), "# kept\n") << "check writes nothing";
    ApplyReport report;
    ASSERT_TRUE(applyText(state, report).ok());
    EXPECT_NE(report.failure.find("is longer than 999 bytes"), std::string::npos) << report.failure;
    EXPECT_EQ(report.restored, std::vector<std::string>{path("odbc.ini")});
    EXPECT_FALSE(report.changed);
    EXPECT_EQ(read("odbc.ini"), "# kept\n");
    EXPECT_EQ(read("user-odbc.ini"), user);
    struct stat mode = {};
    stat(path("odbc.ini").c_str(), &mode);
    EXPECT_EQ(mode.st_mode & 0777, 0640U);
}

TEST(State, AnExportAppliedChangesNothingAndAPlanShowsADiffWithSecretsMasked) {
    configure("[ODBC]\nTrace=No\n" + kPg, "[Mine]\nDriver=/m.so\n", "[sys]\nDriver=PG\n",
              "[sales]\nDriver=PG\nPWD=hidden\nServer=a\nSERVER=b\n[ODBC Data Sources]\nsales=PG\n");
    StateDocument exported;
    ASSERT_TRUE(exportState(false, exported).ok());
    EXPECT_EQ(exported["dataSources"][0].dump(),
              R"({"name":"sales","scope":"user","driver":"PG","entries":{"PWD":{"redacted":true},"Server":"a"}})");
    EXPECT_EQ(exported["drivers"].size(), 2U);
    EXPECT_EQ(exported["drivers"][0]["entries"].dump(), R"({"Driver":"/pg.so"})") << "no usage count";
    EXPECT_EQ(exported["settings"].dump(), R"({"Trace":"No"})");
    ApplyReport report;
    ASSERT_TRUE(applyText(exported.dump(), report, true).ok());
    EXPECT_FALSE(report.changed) << describe(report.changes);
    exported["dataSources"][0]["entries"]["Server"] = "c";
    exported["dataSources"][0]["entries"]["PWD"] = "new";
    StateOptions options;
    options.diffs = true;
    StatePlan plan;
    ASSERT_TRUE(planState(exported, options, plan).ok());
    ASSERT_EQ(plan.diffs.size(), 1U);
    const std::string file = path("user-odbc.ini");
    // Server set keeps its first line and loses SERVER=b, as the writer edits; a secret reads the same either side.
    EXPECT_EQ(plan.diffs[0].text, "--- " + file + "\n+++ " + file + "\n@@ -1,8 +1,7 @@\n [sales]\n Driver=PG\n"
                                  " PWD=********\n-Server=a\n-SERVER=b\n+Server=c\n \n [ODBC Data Sources]\n sales=PG\n");
    EXPECT_EQ(describe(plan.changes), "change [sales]PWD ********>********; change [sales]Server a>c; ");
    EXPECT_EQ(plan.diffs[0].text.find("new"), std::string::npos);
}

double millisecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// A state of n data sources of 7 entries each.
std::string sourcesState(int n) {
    StateDocument state = {{"version", 1}, {"dataSources", StateDocument::array()}};
    for (int i = 0; i < n; ++i) {
        state["dataSources"].push_back({{"name", "source" + std::to_string(i)}, {"scope", "user"}, {"driver", "PG"},
                                        {"entries", {{"Servername", "db" + std::to_string(i % 7)}, {"Port", "5432"},
                                                     {"Database", "d" + std::to_string(i)}, {"UID", "app"},
                                                     {"Timeout", "30"}, {"ReadOnly", "No"}}}});
    }
    return state.dump();
}

double listingMilliseconds() {
    return millisecondsOf([] {
        Catalog catalog;
        ASSERT_TRUE(listScopedDataSources(static_cast<int>(Scope::user), catalog).ok());
    });
}

TEST(State, ThousandDataSourcesApplyInASecondAndAgainInTwiceAListing) {
    configure(kPg, "", "", "");
    const std::string state = sourcesState(1000);
    ApplyReport first;
    const double applied = millisecondsOf([&] { ASSERT_TRUE(applyText(state, first).ok()); });
    ApplyReport again;
    double idempotent = 1e9;
    for (int i = 0; i < 5; ++i) {
        again = ApplyReport();
        idempotent = std::min(idempotent, millisecondsOf([&] { ASSERT_TRUE(applyText(state, again).ok()); }));
    }
    StateDocument parsed;
    const double parsing = millisecondsOf([&] { ASSERT_TRUE(parseStateText(state, parsed).ok()); });
    double listing = 1e9;
    for (int i = 0; i < 5; ++i) listing = std::min(listing, listingMilliseconds());
    std::printf("1000 data sources: applied %.1f ms, applied again %.1f ms (its JSON parsed alone %.1f ms), listed %.1f ms\n",
                applied, idempotent, parsing, listing);
    EXPECT_EQ(first.changes.size(), 7000U);
    EXPECT_FALSE(again.changed);
    EXPECT_LT(applied, 1000.0);
}

TEST(State, APlanAgainstAHundredThousandSectionsTakesAtMostThriceTheirListing) {
    configure(kPg, "", "", "");
    std::string big;
    for (int i = 0; i < 100000; ++i) {
        big += "[source" + std::to_string(i) + "]\nDriver=PG\nServername=db\nPort=5432\nDatabase=d" + std::to_string(i) +
               "\nUID=app\nTimeout=30\nReadOnly=No\n";
    }
    write("user-odbc.ini", big);
    StateDocument state;
    ASSERT_TRUE(parseStateText(sourcesState(1000), state).ok());
    StatePlan plan;
    const double planned = millisecondsOf([&] { ASSERT_TRUE(planState(state, StateOptions(), plan).ok()); });
    const double listing = listingMilliseconds();
    std::printf("a state of 1000 against 100000 sections: planned %.1f ms, listed %.1f ms\n", planned, listing);
    EXPECT_EQ(plan.changes.size(), 1000U) << "Servername differs for six in seven";
    EXPECT_LT(planned, 3 * listing);
}

}  // namespace
}  // namespace rireve
