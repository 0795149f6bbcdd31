// The catalogue's records and the installer's requests, without a VM, over a
// private configuration: ODBCSYSINI, ODBCINI and HOME name the test's own
// folder (set by the test's command), which every case writes anew.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "catalog/catalog.h"
#include "installer/registration.h"

namespace rireve {
namespace {

std::string folder() { return std::getenv("ODBCSYSINI"); }

void write(const std::string& name, const std::string& text) { std::ofstream(folder() + "/" + name) << text; }

std::string read(const std::string& name) {
    std::ostringstream text;
    text << std::ifstream(folder() + "/" + name).rdbuf();
    return text.str();
}

void configure(const std::string& drivers, const std::string& userDrivers, const std::string& system,
               const std::string& user) {
    write("odbcinst.ini", drivers);
    write(".odbcinst.ini", userDrivers);
    write("odbc.ini", system);
    write("user-odbc.ini", user);
}

std::string describe(const std::vector<Pair>& pairs) {
    std::string text;
    for (const Pair& pair : pairs) text += std::string(pair.key) + "=" + std::string(pair.value) + ";";
    return text;
}

// name[scope]->driver {entries}, a missing driver as "-".
std::string describe(const Catalog& catalog) {
    std::string text;
    for (const DataSourceRecord& source : catalog.dataSources) {
        text += std::string(source.name);
        if (source.scope) text += *source.scope == Scope::user ? "[user]" : "[system]";
        text += "->" + (source.driver == kNoDriver ? std::string("-") : std::string(catalog.drivers[source.driver].description));
        if (source.scope) text += "(" + std::string(source.driverName) + "){" + describe(source.entries) + "}";
        text += " ";
    }
    return text;
}

const std::string kDrivers = "[ODBC]\nTrace=No\n[A]\nDriver=/a.so\nSetup = /s.so\n[B]\nKey=x=y\n[a]\nDriver=/other.so\n";

TEST(Catalog, DriversAreTheSystemsThenTheUsersNewOnesWithEntriesAsTheDriverManagerListsThem) {
    configure(kDrivers, "[C]\nDriver=/c.so\n[b]\nDriver=/hidden.so\n", "", "");
    Catalog catalog;
    ASSERT_TRUE(listDrivers(catalog).ok());
    std::string listed;
    for (const DriverRecord& driver : catalog.drivers) listed += std::string(driver.description) + ":" + describe(driver.attributes) + " ";
    // [a] repeats [A], letter case ignored: listed under its own name with the first one's entries.
    EXPECT_EQ(listed, "A:Driver=/a.so;Setup=/s.so; B:x=y; a:Driver=/a.so;Setup=/s.so; C:Driver=/c.so; ");
}

TEST(Catalog, DataSourcesAndTheirScopesDriversAndEntries) {
    configure(kDrivers, "", "[shared]\nDriver=B\n[mine]\nDriver=A\nDatabase=/sys.db\n[ODBC]\nTrace=Yes\n",
              "[mine]\nDriver=A\nPort = 5\n[orphan]\nDriver=Gone\n");
    struct Case {
        const char* what;
        Outcome (*list)(Catalog&);
        const char* expected;
    } cases[] = {
        {"as the driver manager lists them", &listDataSources, "mine->A orphan->- shared->B "},
        {"scoped, a hidden system one too", [](Catalog& c) { return listScopedDataSources(3, c); },
         "mine[user]->A(A){Driver=A;Port=5;} orphan[user]->-(Gone){Driver=Gone;} shared[system]->B(B){Driver=B;} "
         "mine[system]->A(A){Driver=A;Database=/sys.db;} "},
        {"the system's alone", [](Catalog& c) { return listScopedDataSources(2, c); },
         "shared[system]->B(B){Driver=B;} mine[system]->A(A){Driver=A;Database=/sys.db;} "},
        {"looked up exactly", [](Catalog& c) { return lookupDataSource("orphan", c); }, "orphan->- "},
        {"not found by another letter case", [](Catalog& c) { return lookupDataSource("MINE", c); }, ""},
        {"scoped, letter case ignored", [](Catalog& c) { return lookupScopedDataSource("MINE", Scope::system, c); },
         "mine[system]->A(A){Driver=A;Database=/sys.db;} "},
    };
    for (const Case& each : cases) {
        Catalog catalog;
        const Outcome outcome = each.list(catalog);
        EXPECT_TRUE(outcome.ok()) << each.what << ": " << outcome.status.reason();
        EXPECT_EQ(describe(catalog), each.expected) << each.what;
    }
}

TEST(Catalog, AFileThatCannotBeReadFailsTheScopedListingWithItsPathAndReason) {
    configure(kDrivers, "", "", "");
    const std::string file = folder() + "/user-odbc.ini";
    ASSERT_EQ(std::system(("rm " + file + " && mkdir " + file).c_str()), 0);
    Catalog catalog;
    const Outcome outcome = listScopedDataSources(1, catalog);
    EXPECT_EQ(outcome.step, Step::work);
    EXPECT_EQ(outcome.status.reason(), file + " is a folder, not a regular file");
    ASSERT_EQ(std::system(("rmdir " + file).c_str()), 0);
}

Request request(const char* name, const char* driver, const char* attributes) {
    Request made;
    std::strcpy(made.name, name);
    std::strcpy(made.driver, driver);
    const std::string_view text = attributes != nullptr ? attributes : "";
    EXPECT_EQ(composeAttributeText(name, attributes != nullptr ? &text : nullptr, made.text), TextCheck::ok);
    return made;
}

TEST(Installer, RequestsChangeTheUserFileOrSayWhyNot) {
    configure(kDrivers, "", "", "; mine\n[mine]\nDriver=A\nPort = 5\nTimeout=1\n");
    EntryRequest edits;
    std::strcpy(edits.name, "MINE");
    edits.edits = {{"port", std::string("6")}, {"Timeout", std::nullopt}, {"New", std::string("n")}};
    ASSERT_TRUE(editEntries(edits, {}).ok());
    EXPECT_EQ(read("user-odbc.ini"), "; mine\n[mine]\nDriver=A\nPort = 6\nNew=n\n");
    ASSERT_TRUE(addDataSource(request("fresh", "B", "Database=/f.db"), {}).ok());
    EXPECT_EQ(read("user-odbc.ini"), "; mine\n[mine]\nDriver=A\nPort = 6\nNew=n\n\n[fresh]\nDriver=B\nDatabase=/f.db\n");
    const std::string file = folder() + "/user-odbc.ini";
    struct Refused {
        Outcome outcome;
        std::string reason;
    } refused[] = {
        {removeDataSource(request("fresh", "A", nullptr), {}), "the data source fresh in " + file + " uses the driver B, not A"},
        {removeDataSource(request("gone", "A", nullptr), {}), "no data source named gone in " + file},
        {addDataSource(request("x", "Nope", nullptr), {}), "no driver named Nope is installed"},
        {editEntries(EntryRequest{"gone", Scope::user, {}}, {}), "no data source named gone in " + file},
    };
    for (const Refused& each : refused) {
        EXPECT_EQ(each.outcome.step, Step::work);
        EXPECT_EQ(each.outcome.status.reason(), each.reason);
    }
    ASSERT_TRUE(removeDataSource(request("fresh", "B", nullptr), {}).ok());
    EXPECT_EQ(read("user-odbc.ini"), "; mine\n[mine]\nDriver=A\nPort = 6\nNew=n\n\n");
    // Entries given as pairs are written as they are, never parsed from a text.
    Registration pairs{request("pairs", "B", "Options=a=b"), {{"Options", "a=b;c"}, {"port", "1"}, {"Port", "2"}}};
    ASSERT_TRUE(addDataSource(pairs, {}).ok());
    EXPECT_EQ(read("user-odbc.ini"), "; mine\n[mine]\nDriver=A\nPort = 6\nNew=n\n\n[pairs]\nDriver=B\nOptions=a=b;c\nport=2\n");
}

}  // namespace
}  // namespace rireve
