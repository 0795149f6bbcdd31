// The driver manager's rules as the seam gives them, with the real unixODBC:
// its files (named by its installer library, over the test's own folder),
// its reader, listing and index sections, its module folder, its installer
// library, and the choice among driver managers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "catalog/configuration.h"
#include "platform/driver_manager.h"
#include "platform/installer_library.h"
#include "probe/library_image.h"

namespace rireve {
namespace {

std::string folder() { return std::getenv("ODBCSYSINI"); }

bool endsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(DriverManager, UnixOdbcIsChosenAndItsInstallerLibraryNamesTheFilesAndWhy) {
    ASSERT_EQ(&driverManager(), &kUnixOdbc);
    const InstallerProc proc = findInstallerProc("SQLConfigDataSource");
    EXPECT_TRUE(proc.bound() && endsWith(proc.library, "/libodbcinst.so.2")) << proc.library;
    struct Case {
        ConfigurationFile file;
        std::string path;
        const char* why;
    } cases[] = {
        {ConfigurationFile::drivers, folder() + "/odbcinst.ini", "odbcinst_system_file_name"},
        {ConfigurationFile::userDrivers, std::string(std::getenv("HOME")) + "/.odbcinst.ini", "odbcinst_user_file_path"},
        {ConfigurationFile::systemDataSources, folder() + "/odbc.ini", "_odbcinst_SystemINI"},
        {ConfigurationFile::userDataSources, folder() + "/user-odbc.ini", "_odbcinst_UserINI"},
    };
    for (const Case& each : cases) {
        const ConfigurationPath found = kUnixOdbc.findFile(each.file);
        EXPECT_EQ(found.path, each.path);
        EXPECT_NE(found.why.find(each.why), std::string::npos) << found.why;
        EXPECT_NE(found.why.find(proc.library), std::string::npos) << found.why;
    }
}

TEST(DriverManager, TheChoiceTakesTheFirstWhoseLibraryIsLoadedElseTheFirst) {
    DriverManager absent = kUnixOdbc;
    absent.library = "libri-reve-no-such-driver-manager.so";
    const DriverManager* const loadedSecond[] = {&absent, &kUnixOdbc};
    const DriverManager* const noneLoaded[] = {&absent};
    EXPECT_EQ(&chooseDriverManager(loadedSecond, 2), &kUnixOdbc);
    EXPECT_EQ(&chooseDriverManager(noneLoaded, 1), &absent);
}

TEST(DriverManager, UnixOdbcsIndexSectionsAndSearchVariableShapeTheListing) {
    const Profile file = {{"ODBC Data Sources", {{"x", "A"}}}, {"odbc", {{"Trace", "Yes"}}}, {"x", {{"Driver", "A"}}}};
    std::string listed;
    for (const ListedDataSource& each : listDataSourceSections(file, {})) listed += std::string(each.name) + " ";
    EXPECT_EQ(listed, "x ");
    EXPECT_EQ(listDriverSections(file).size(), 2U);  // only the settings section is no driver
    struct Case {
        const char* value;
        DataSourceSearch search;
    } cases[] = {{"ODBC_USER_DSN", DataSourceSearch::user}, {"ODBC_SYSTEM_DSN", DataSourceSearch::system},
                 {"odbc_user_dsn", DataSourceSearch::both}, {nullptr, DataSourceSearch::both}};
    for (const Case& each : cases) EXPECT_EQ(dataSourceSearch(each.value), each.search) << (each.value ? each.value : "unset");
    EXPECT_STREQ(kUnixOdbc.search.variable, "ODBCSEARCH");
    EXPECT_EQ(kUnixOdbc.reader.pieceBytes, 999U);
    EXPECT_EQ(kUnixOdbc.reader.comments, "#;");
}

TEST(DriverManager, ADriverIsFoundInLtdlsPathAndTheModuleFolderALibrarysNeedsAreNot) {
    LibraryImage program;
    ASSERT_TRUE(readProgramImage(program).ok());
    const std::string ltdl = folder() + "/ltdl";
    ASSERT_EQ(std::system(("mkdir -p " + ltdl + " && cp /proc/self/exe " + ltdl + "/libseam.so").c_str()), 0);
    ASSERT_EQ(setenv("LTDL_LIBRARY_PATH", ltdl.c_str(), 1), 0);
    EXPECT_EQ(locateLibrary("libseam.so", nullptr, program), ltdl + "/libseam.so");
    EXPECT_EQ(locateLibrary("libseam.so", &program, program), std::nullopt);
    unsetenv("LTDL_LIBRARY_PATH");
    // Debian's SQLite3 driver lives in unixODBC's module folder alone.
    const std::optional<std::string> sqlite = locateLibrary("libsqlite3odbc.so", nullptr, program);
    EXPECT_TRUE(sqlite && endsWith(*sqlite, "-linux-gnu/odbc/libsqlite3odbc.so")) << sqlite.value_or("not found");
    EXPECT_EQ(locateLibrary("libsqlite3odbc.so", &program, program), std::nullopt);
    EXPECT_EQ(libraryKeys("Setup"), (std::vector<std::string_view>{"Setup64", "Setup"}));
    EXPECT_STREQ(kUnixOdbc.installerLibrary, "libodbcinst.so.2");
}

}  // namespace
}  // namespace rireve
