// Linux: unixODBC's SQLConfigDataSource only hands a request to the
// ConfigDSN of the driver's setup library, and most drivers ship none. A
// request for such a driver is carried out here with the installer's own
// profile functions, as the setup library would: on the user's data sources
// only, never on the system file.
#include <dlfcn.h>
#include <sqlext.h>
#include <strings.h>

#include <climits>
#include <cstring>
#include <string_view>

#include "binding/frame.h"
#include "binding/text.h"
#include "catalog/attribute_list.h"
#include "catalog/driver_entry.h"
#include "installer/installer.h"

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
    char library[kTextBufferSize] = {};
};

DriverSetup findDriverSetup(const char* description) {
    DriverSetup found;
    OdbcEnvironment odbc;
    if (!odbc.allocated()) return found;
    DriverEntry entry;
    while (!found.installed) {
        if (!entry.fetchNext(odbc.handle())) return found;
        found.installed = entry.describes(description);
    }
    std::string_view setup;
    std::string_view setup64;
    scanAttributeList(std::string_view(entry.attributes, sizeof entry.attributes),
                      [&](std::string_view key, std::string_view value) {
                          if (key == "Setup") setup = value;
                          if (key == "Setup64") setup64 = value;
                          return true;
                      });
    const std::string_view library = setup64.empty() ? setup : setup64;
    library.copy(found.library, sizeof found.library - 1);
    return found;
}

bool hasConfigDsn(const char* library) {
    if (library[0] == '\0') return false;
    void* module = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return false;
    const bool found = dlsym(module, "ConfigDSN") != nullptr;
    dlclose(module);
    return found;
}

// unixODBC's profile reader, which its installer exports but does not
// declare in a public header.
using IniHandle = void*;
constexpr int kIniSuccess = 1;
using UserIniPathProc = BOOL (*)(char*, BOOL);
using IniOpenProc = int (*)(IniHandle*, char*, char*, char, char, char, int);
using IniCloseProc = int (*)(IniHandle);
using IniSeekProc = int (*)(IniHandle, char*);
using IniStepProc = int (*)(IniHandle);
using IniTextProc = int (*)(IniHandle, char*);

// The Driver entry of a data source in the user's configuration, or false
// when it has no such data source. Read from the file itself: the installer
// keeps single-entry reads in a cache that its own writes do not refresh.
bool readUserDataSourceDriver(const char* name, char (&driver)[kTextBufferSize]) {
    const auto userIniPath = resolve<UserIniPathProc>("_odbcinst_UserINI");
    const auto open = resolve<IniOpenProc>("iniOpen");
    const auto close = resolve<IniCloseProc>("iniClose");
    const auto seekObject = resolve<IniSeekProc>("iniObjectSeek");
    const auto firstProperty = resolve<IniStepProc>("iniPropertyFirst");
    const auto nextProperty = resolve<IniStepProc>("iniPropertyNext");
    const auto propertyEnd = resolve<IniStepProc>("iniPropertyEOL");
    const auto property = resolve<IniTextProc>("iniProperty");
    const auto value = resolve<IniTextProc>("iniValue");
    if (!userIniPath || !open || !close || !seekObject || !firstProperty || !nextProperty || !propertyEnd ||
        !property || !value) {
        return false;
    }
    char path[PATH_MAX + 1] = {};
    if (!userIniPath(path, FALSE)) return false;
    IniHandle ini = nullptr;
    char comments[] = "#;";
    if (open(&ini, path, comments, '[', ']', '=', FALSE) != kIniSuccess) return false;
    bool found = false;
    if (seekObject(ini, const_cast<char*>(name)) == kIniSuccess) {
        found = true;
        driver[0] = '\0';
        char key[kTextBufferSize];  // the reader's entries hold at most 1000 bytes
        for (firstProperty(ini); !propertyEnd(ini); nextProperty(ini)) {
            property(ini, key);
            if (strcasecmp(key, "Driver") == 0) value(ini, driver);
        }
    }
    close(ini);
    return found;
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
    char listedDriver[kTextBufferSize];
    if (!readUserDataSourceDriver(name, listedDriver)) return FALSE;
    if (std::strncmp(listedDriver, driver, sizeof listedDriver) != 0) return FALSE;
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
