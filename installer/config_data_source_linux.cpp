// Linux: unixODBC's SQLConfigDataSource only hands a request to the
// ConfigDSN of the driver's setup library, and most drivers ship none. A
// request for such a driver is carried out here, as the setup library would:
// on the user's data sources only, never on the system file, one section of
// the user's file at a time (profile/profile.h). Every request, whoever
// carries it out, holds the user file's lock across processes.
#include <dlfcn.h>
#include <sqlext.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/configuration.h"
#include "installer/attribute_text.h"
#include "installer/installer.h"
#include "profile/profile.h"

namespace rireve {
namespace {

// The setup library a driver names: Setup64 before Setup, as unixODBC looks
// them up on 64-bit systems. Empty when the driver is not installed.
struct DriverSetup {
    bool installed = false;
    std::string library;
};

DriverSetup findDriverSetup(const char* description) {
    Profile drivers;
    if (!readProfileFile(ProfileFile::drivers, drivers).ok()) return {};
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

// The name of the leading DSN=name pair; empty when the text has none.
std::string_view nameOf(const char* text) {
    constexpr std::string_view kPrefix = "DSN=";
    const std::string_view first(text, std::strcspn(text, ";"));
    if (first.substr(0, kPrefix.size()) != kPrefix) return {};
    return first.substr(kPrefix.size());
}

// Adds or replaces an entry, as the installer's profile functions would: a
// key given twice keeps its first place and its last value.
void putEntry(std::vector<ProfileEntry>& entries, std::string_view key, std::string_view value) {
    for (ProfileEntry& entry : entries) {
        if (sameProfileName(entry.key, key)) {
            entry.value = std::string(value);
            return;
        }
    }
    entries.push_back({std::string(key), std::string(value)});
}

// The section a registration writes: its Driver, then every pair of the
// attribute text after the leading DSN=name, keys and values trimmed as the
// reader trims them. False when a pair is not keyword=value or would not fit
// a line the reader can hold.
bool composeSection(std::string_view name, LPCSTR driver, LPCSTR attributes, ProfileSection& section) {
    section.name = std::string(name);
    putEntry(section.entries, "Driver", driver);
    std::string_view rest(attributes);
    rest.remove_prefix(std::min(rest.size(), rest.find(';')));
    while (!rest.empty()) {
        rest.remove_prefix(1);
        const std::string_view pair = rest.substr(0, rest.find(';'));
        rest.remove_prefix(pair.size());
        if (pair.empty()) continue;
        const std::size_t equals = pair.find('=');
        if (equals == std::string_view::npos) return false;
        const std::string_view key = trimBlanks(pair.substr(0, equals));
        const std::string_view value = trimBlanks(pair.substr(equals + 1));
        if (key.empty() || key.size() + 1 + value.size() > kMaxLineBytes) return false;
        putEntry(section.entries, key, value);
    }
    return std::strlen("Driver=") + std::strlen(driver) <= kMaxLineBytes;
}

BOOL configureWithoutSetup(UserFile& userFile, const DriverSetup& setup, WORD request, LPCSTR driver,
                           LPCSTR attributes) {
    const std::string_view name = nameOf(attributes);
    if (name.empty()) return FALSE;
    switch (request) {
        case ODBC_ADD_DSN: {
            ProfileSection section;
            if (!setup.installed || !composeSection(name, driver, attributes, section)) return FALSE;
            return userFile.putSection(section) ? TRUE : FALSE;
        }
        case ODBC_REMOVE_DSN:
            // A data source whose driver has since been uninstalled can still be removed.
            return userFile.removeSection(name, driver) ? TRUE : FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

BOOL configDataSource(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes) {
    // Without the installer library nothing can be configured: resolving
    // tells the user so.
    const auto configure = resolveInstallerProc<ConfigDataSourceProc>("SQLConfigDataSource");
    if (configure == nullptr) return FALSE;
    const DriverSetup setup = findDriverSetup(driver);
    UserFile userFile;
    if (!userFile.locked()) return FALSE;
    if (setup.installed && hasConfigDsn(setup.library)) return configure(parent, request, driver, attributes);
    return configureWithoutSetup(userFile, setup, request, driver, attributes);
}

}  // namespace rireve
