// The driver manager's rules on a system where its configuration is files
// (Linux): where the files are and why, how they are read and listed, how a
// driver's library is searched for, which installer library belongs to it,
// which sections are its own indexes. The layers above ask this one
// interface and never name a driver manager themselves.
//
// Each driver manager is one table of plain data and functions, in files of
// its own (driver_manager_<name>.cpp, built where that driver manager is);
// the table of them (driver_manager_linux.cpp) is looked at once per
// process, and every answer comes from the one chosen.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rireve {

// The configuration files a driver manager keeps; the user's drivers add to
// the system's.
enum class ConfigurationFile { drivers, userDrivers, systemDataSources, userDataSources };

// A file's path, and why it is there: what named it (its installer library,
// a variable of the environment, the home folder, a default).
struct ConfigurationPath {
    std::string path;
    std::string why;
};

// How the reader takes a file's text (profile/profile_text.h).
struct ReaderRules {
    std::size_t pieceBytes;     // a line is read in pieces of at most this many bytes
    std::string_view comments;  // the characters that begin a comment
    // In a file added behind another, a header only where a piece starts
    // with "[", and an entry only where it starts with a letter or digit.
    bool strictAddedFiles;
};

// Which data sources a listing searches: a variable of the environment whose
// values name the user's or the system's file alone (both otherwise).
struct DataSourceSearchRules {
    const char* variable;
    std::string_view userOnly;
    std::string_view systemOnly;
};

// How the driver manager finds a driver's library once the loader's own
// search fails, and which entries name it.
struct LibrarySearchRules {
    const char* pathVariable;      // searched before LD_LIBRARY_PATH (its loader's own), or null
    std::string_view moduleFolder;  // under the system's library folder, searched last, or empty
    // The entries naming the library of `key` ("Driver", "Setup"), in the
    // order the driver manager reads them.
    std::vector<std::string_view> (*libraryKeys)(std::string_view key);
};

struct DriverManager {
    const char* name;              // in reasons: "unixODBC"
    const char* library;           // its own library, as the loader names it
    const char* installerLibrary;  // the installer library that belongs to it
    ConfigurationPath (*findFile)(ConfigurationFile file);
    ReaderRules reader;
    // Its own sections: the settings ([ODBC], in either kind of file) and
    // the index of data sources; neither is a driver or a data source.
    std::string_view settingsSection;
    std::string_view dataSourceIndex;
    DataSourceSearchRules search;
    LibrarySearchRules librarySearch;
    std::string_view usageCountKey;  // a driver's count of installations
    // File data sources: the settings' entry naming their folder, and the
    // folder beside the system's driver file used when it names none.
    std::string_view fileDataSourceKey;
    std::string_view fileDataSourceFolder;
};

// The implementations, each in driver_manager_<name>.cpp.
extern const DriverManager kUnixOdbc;

// The driver manager of this process, chosen once: the first of the table
// whose library the process has loaded, else the table's first.
const DriverManager& driverManager();

// The choice among these (the first of them when none is loaded), for a
// test of it.
const DriverManager& chooseDriverManager(const DriverManager* const* managers, std::size_t count);

}  // namespace rireve
