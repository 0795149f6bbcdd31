// Linux: unixODBC's SQLConfigDataSource only hands a request to the
// ConfigDSN of the driver's setup library, and most drivers ship none. A
// request for such a driver is carried out here with the installer's own
// profile functions, as the setup library would: on the user's data sources
// only, never on the system file.
#include <dlfcn.h>
#include <sqlext.h>
#include <strings.h>

#include <string>
#include <vector>
#include <cstring>
#include <string_view>

#include "binding/frame.h"
#include "binding/text.h"
#include "catalog/configuration.h"
#include "installer/installer.h"
#include "profile/profile.h"

namespace rireve {
namespace {

using ConfigDataSourceProc = BOOL (*)(HWND, WORD, LPCSTR, LPCSTR);
using GetConfigModeProc = BOOL (*)(UWORD*);
using SetConfigModeProc = BOOL (*)(UWORD);
using WriteDsnToIniProc = BOOL (*)(LPCSTR, LPCSTR);
using RemoveDsnFromIniProc = BOOL (*)(LPCSTR);
using WriteProfileStringProc = BOOL (*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR);

template <typename Proc>
Proc resolve(const char* name) {
    return reinterpret_cast<Proc>(resolveInstallerProc(name));
}

// The setup library a driver names: Setup64 before Setup, as unixODBC looks
// them up on 64-bit systems. Empty when the driver is not installed.
struct DriverSetup {
    bool installed = false;
    std::string library;
};

DriverSetup findDriverSetup(const char* description) {
    Profile drivers;
    readProfile(profilePath(ProfileFile::drivers), drivers);
    const std::vector<ListedDriver> listed = listDriverSections(drivers);
    const ListedDriver* driver = findListedDriver(listed, description);
    if (driver == nullptr) return {};
    const std::string* setup64 = findValue(*driver->attributes, "Setup64");
    const std::string* setup = findValue(*driver->attributes, "Setup");
    if (setup64 != nullptr && !setup64->empty()) return {true, *setup64};
    return {true, setup != nullptr ? *setup : std::string()};
}

bool hasConfigDsn(const std::string& library) {
    if (library.empty()) return false;
    void* module = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return false;
    const bool found = dlsym(module, "ConfigDSN") != nullptr;
    dlclose(module);
    return found;
}

// The Driver entry of a data source in the user's file, or null when the
// file has no such data source. Read from the file itself, as the listings
// read it.
bool readUserDataSourceDriver(const char* name, std::string& driver) {
    Profile user;
    readProfile(profilePath(ProfileFile::userDataSources), user);
    const ProfileSection* section = findSection(user, name);
    if (section == nullptr) return false;
    const std::string* value = findValue(*section, "Driver");
    driver = value != nullptr ? *value : std::string();
    return true;
}

// Calls each keyword=value pair of the attribute text after its leading
// DSN=name: pairs end at ";" or NUL, the text at the first empty pair after a NUL.
template <typename OnPair>
void forEachPair(const char* text, OnPair onPair) {
    const char* pair = text + std::strcspn(text, ";");
    while (*pair == ';' || (pair[0] == '\0' && pair[1] != '\0')) {
        ++pair;
        const std::size_t length = std::strcspn(pair, ";");
        const std::string_view item(pair, length);
        if (!item.empty() && !onPair(item)) return;
        pair += length;
    }
}

// The name of the leading DSN=name pair; empty when the text has none.
std::string_view nameOf(const char* text) {
    constexpr std::string_view kPrefix = "DSN=";
    const std::string_view first(text, std::strcspn(text, ";"));
    if (first.substr(0, kPrefix.size()) != kPrefix) return {};
    return first.substr(kPrefix.size());
}

bool isReservedKey(std::string_view key) {
    return (key.size() == 3 && strncasecmp(key.data(), "DSN", 3) == 0) ||
           (key.size() == 6 && strncasecmp(key.data(), "Driver", 6) == 0);
}

// unixODBC reads a profile line into 1000 bytes with its NUL, and copies an
// entry into 1001 bytes without ending it when the entry fills them: a longer
// line comes back cut short, or is written from beyond its buffer.
constexpr std::size_t kMaxLineBytes = 999;

// Every pair must be keyword=value with a keyword of its own (the name and
// the driver come from the request itself), on a line the profile can hold.
bool attributesWritable(const char* text) {
    bool writable = true;
    forEachPair(text, [&](std::string_view pair) {
        const std::size_t equals = pair.find('=');
        writable = equals != std::string_view::npos && equals > 0 && pair.size() <= kMaxLineBytes &&
                   !isReservedKey(pair.substr(0, equals));
        return writable;
    });
    return writable;
}

bool driverWritable(const char* driver) { return std::strlen("Driver=") + std::strlen(driver) <= kMaxLineBytes; }

// Runs profile work in user mode, restoring the process-wide mode after, as
// unixODBC's own SQLConfigDataSource does around a setup library.
template <typename Work>
BOOL inUserMode(Work work) {
    const auto getMode = resolve<GetConfigModeProc>("SQLGetConfigMode");
    const auto setMode = resolve<SetConfigModeProc>("SQLSetConfigMode");
    if (getMode == nullptr || setMode == nullptr) return FALSE;
    UWORD mode = ODBC_BOTH_DSN;
    getMode(&mode);
    if (!setMode(ODBC_USER_DSN)) return FALSE;
    const BOOL done = work();
    setMode(mode);
    return done;
}

BOOL addUserDataSource(const char* name, LPCSTR driver, LPCSTR attributes) {
    const auto writeDsn = resolve<WriteDsnToIniProc>("SQLWriteDSNToIni");
    const auto writeString = resolve<WriteProfileStringProc>("SQLWritePrivateProfileString");
    const auto removeDsn = resolve<RemoveDsnFromIniProc>("SQLRemoveDSNFromIni");
    if (writeDsn == nullptr || writeString == nullptr || removeDsn == nullptr) return FALSE;
    return inUserMode([&]() -> BOOL {
        if (!writeDsn(name, driver)) return FALSE;
        bool written = true;
        forEachPair(attributes, [&](std::string_view pair) {
            char key[kTextBufferSize] = {};
            char value[kTextBufferSize] = {};
            const std::size_t equals = pair.find('=');
            pair.copy(key, equals);
            pair.substr(equals + 1).copy(value, sizeof value - 1);
            written = writeString(name, key, value, "ODBC.INI");
            return written;
        });
        if (!written) removeDsn(name);  // no half-written data source
        return written ? TRUE : FALSE;
    });
}

BOOL removeUserDataSource(const char* name, LPCSTR driver) {
    std::string listedDriver;
    if (!readUserDataSourceDriver(name, listedDriver) || listedDriver != driver) return FALSE;
    const auto removeDsn = resolve<RemoveDsnFromIniProc>("SQLRemoveDSNFromIni");
    if (removeDsn == nullptr) return FALSE;
    return inUserMode([&]() { return removeDsn(name); });
}

BOOL configureWithoutSetup(const DriverSetup& setup, WORD request, LPCSTR driver, LPCSTR attributes) {
    const std::string_view name = nameOf(attributes);
    if (name.empty()) return FALSE;
    char nameText[kTextBufferSize] = {};
    name.copy(nameText, sizeof nameText - 1);
    switch (request) {
        case ODBC_ADD_DSN:
            if (!setup.installed || !driverWritable(driver) || !attributesWritable(attributes)) return FALSE;
            return addUserDataSource(nameText, driver, attributes);
        case ODBC_REMOVE_DSN:
            return removeUserDataSource(nameText, driver);
        default:
            return FALSE;
    }
}

}  // namespace

BOOL configDataSource(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes) {
    // Without the installer library nothing can be configured: resolving
    // tells the user so.
    const auto configure = resolve<ConfigDataSourceProc>("SQLConfigDataSource");
    if (configure == nullptr) return FALSE;
    const DriverSetup setup = findDriverSetup(driver);
    if (setup.installed && hasConfigDsn(setup.library)) return configure(parent, request, driver, attributes);
    // A data source whose driver has since been uninstalled can still be removed.
    return configureWithoutSetup(setup, request, driver, attributes);
}

}  // namespace rireve
