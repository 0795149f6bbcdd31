// Linux: unixODBC's SQLConfigDataSource only hands a request to the
// ConfigDSN of the driver's setup library, and most drivers ship none. A
// request for such a driver is carried out here, as the setup library would:
// on the user's or, for a system request, the system's data source file, one
// section at a time (profile/profile_writer_linux.h). Every request, whoever
// carries it out, holds its file's lock across processes. The calls beside
// the original ones run a setup library in the helper's child process
// (setup_request.h), never here.
#include <dlfcn.h>
#include <sqlext.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/configuration.h"
#include "installer/data_source_file_linux.h"
#include "installer/installer.h"
#include "installer/setup_request.h"
#include "platform/driver_manager.h"
#include "profile/profile.h"
#include "profile/profile_writer_linux.h"

namespace rireve {
namespace {

// The setup library a driver names, by the entries the driver manager reads
// (unixODBC on 64-bit systems: Setup64 before Setup).
struct DriverSetup {
    bool installed = false;
    std::string library;
};

Status findDriverSetup(const char* description, DriverSetup& setup) {
    Profile drivers;
    Profile userDrivers;
    Status read = readDriverFiles(drivers, userDrivers);
    if (!read.ok()) return read;
    const std::vector<ListedDriver> listed = listDriverSections(drivers, userDrivers);
    const ListedDriver* driver = findListedDriver(listed, description);
    if (driver == nullptr) return {};
    setup.installed = true;
    for (std::string_view key : driverManager().librarySearch.libraryKeys("Setup")) {
        const std::string* library = findValue(*driver->attributes, key);
        if (library != nullptr) setup.library = *library;
        if (!setup.library.empty()) break;
    }
    return {};
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

Status tooLongForALine(std::string_view key) {
    return Status::failure("the entry " + std::string(key) + " would not fit a line of " +
                           std::to_string(kMaxLineBytes) + " bytes, the most unixODBC's reader reads back");
}

// The section a registration writes: its Driver, then every entry, keys and
// values trimmed as the reader trims them. Refused when an entry has no key
// or would not fit a line the reader can hold.
Status composeSection(std::string_view name, LPCSTR driver, const std::vector<std::pair<std::string_view, std::string_view>>& entries,
                      ProfileSection& section) {
    section.name = std::string(name);
    putEntry(section.entries, "Driver", driver);
    for (const auto& [rawKey, rawValue] : entries) {
        const std::string_view key = trimBlanks(rawKey);
        const std::string_view value = trimBlanks(rawValue);
        if (key.empty()) return Status::failure("the attribute =" + std::string(value) + " has no key (KEY=VALUE)");
        if (key.size() + 1 + value.size() > kMaxLineBytes) return tooLongForALine(key);
        putEntry(section.entries, key, value);
    }
    if (std::strlen("Driver=") + std::strlen(driver) > kMaxLineBytes) return tooLongForALine("Driver");
    return {};
}

// The pairs of the attribute text after its leading DSN=name; refused when
// one is not keyword=value.
Status parseAttributeText(LPCSTR attributes, std::vector<std::pair<std::string_view, std::string_view>>& pairs) {
    std::string_view rest(attributes);
    rest.remove_prefix(std::min(rest.size(), rest.find(';')));
    while (!rest.empty()) {
        rest.remove_prefix(1);
        const std::string_view pair = rest.substr(0, rest.find(';'));
        rest.remove_prefix(pair.size());
        if (pair.empty()) continue;
        const std::size_t equals = pair.find('=');
        if (equals == std::string_view::npos) return Status::failure("the attribute " + std::string(pair) + " has no value (KEY=VALUE)");
        pairs.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
    }
    return {};
}

// A removal names the data source's driver: exactly the Driver entry of the
// first section of its name.
Status checkRemoval(const std::string& path, const ProfileSection* first, std::string_view name, LPCSTR driver) {
    if (first == nullptr) return Status::failure("no data source named " + std::string(name) + " in " + path);
    const std::string* named = findValue(*first, "Driver");
    if (named != nullptr && *named == driver) return {};
    return Status::failure("the data source " + std::string(name) + " in " + path + " uses the driver " +
                           (named != nullptr ? *named : std::string("(none)")) + ", not " + std::string(driver));
}

Scope scopeOf(WORD request) {
    const bool system = request == ODBC_ADD_SYS_DSN || request == ODBC_CONFIG_SYS_DSN || request == ODBC_REMOVE_SYS_DSN;
    return system ? Scope::system : Scope::user;
}

Status configureWithoutSetup(const DriverSetup& setup, WORD request, LPCSTR driver, LPCSTR attributes,
                             const RequestOptions& options) {
    const std::string_view name = nameOf(attributes);
    if (name.empty()) return Status::failure("the request names no data source (DSN=name)");
    const bool adding = request == ODBC_ADD_DSN || request == ODBC_ADD_SYS_DSN;
    const bool removing = request == ODBC_REMOVE_DSN || request == ODBC_REMOVE_SYS_DSN;
    ProfileSection section;
    if (adding && !setup.installed) return Status::failure("no driver named " + std::string(driver) + " is installed");
    if (adding) {
        std::vector<std::pair<std::string_view, std::string_view>> pairs;
        Status composed = parseAttributeText(attributes, pairs);
        if (composed.ok()) composed = composeSection(name, driver, pairs, section);
        if (!composed.ok()) return composed;
    } else if (!removing) {
        return Status::failure("request " + std::to_string(request) + " needs the driver's setup library");
    }
    ProfileWriter file;
    Status opened = openDataSourceFile(scopeOf(request), options, file);
    if (!opened.ok()) return opened;
    // A data source whose driver has since been uninstalled can still be removed.
    if (adding) return file.carryOut(planFirstOfName(name, [&](const ProfileSection*, ProfileWriter::SectionPlan& plan) {
        plan = planPut(section);
        return Status();
    }));
    return file.carryOut(planFirstOfName(name, [&](const ProfileSection* current, ProfileWriter::SectionPlan& plan) {
        plan = planRemoval(name);
        return checkRemoval(file.path(), current, name, driver);
    }));
}

// A driver's setup library carries the request out, under its file's lock.
Status configureThroughSetup(ConfigDataSourceProc configure, const DriverSetup& setup, HWND parent, WORD request,
                             LPCSTR driver, LPCSTR attributes, const RequestOptions& options) {
    ProfileWriter file;
    Status opened = openDataSourceFile(scopeOf(request), options, file);
    if (!opened.ok()) return opened;
    if (configure(parent, request, driver, attributes)) return {};
    return Status::failure("the driver's setup library " + setup.library + " refused the request" +
                           lastInstallerError());
}

// The same in the helper's child process, with `list` (ConfigDSN's
// attributes). Loading the library is left to the child too: whether it has
// a ConfigDSN is its answer. `none` when it has not.
Status configureInChild(const DriverSetup& setup, WORD request, LPCSTR driver, std::string list,
                        const RequestOptions& options, bool& none) {
    ProfileWriter file;
    Status opened = openDataSourceFile(scopeOf(request), options, file);
    if (!opened.ok()) return opened;
    return runSetupInChild({setup.library, request, driver, std::move(list)}, options, none);
}

// Finds the driver's setup library, if it has one, and makes the request:
// through it in this process, or, with isolation, with `list` in a child.
template <typename WithoutSetup>
Status configure(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes, std::string list,
                 const RequestOptions& options, WithoutSetup withoutSetup) {
    // Without the installer library nothing can be configured: resolving
    // tells the user so.
    const InstallerProc proc = resolveInstallerProc("SQLConfigDataSource");
    if (!proc.bound()) return Status::failure(proc.reason("SQLConfigDataSource"));
    const auto configureDsn = procAddress<ConfigDataSourceProc>(proc);
    DriverSetup setup;
    Status found = findDriverSetup(driver, setup);
    if (!found.ok()) return found;
    if (options.setup.enabled && setup.installed && !setup.library.empty()) {
        // The file's lock is released before a request the child leaves to this library.
        bool none = false;
        Status done = configureInChild(setup, request, driver, std::move(list), options, none);
        if (!none) return done;
        return withoutSetup(setup);
    }
    if (!options.setup.enabled && setup.installed && hasConfigDsn(setup.library)) {
        return configureThroughSetup(configureDsn, setup, parent, request, driver, attributes, options);
    }
    return withoutSetup(setup);
}

}  // namespace

Status addDataSourceEntries(WORD request, LPCSTR driver, std::string_view name,
                            const std::vector<std::pair<std::string, std::string>>& entries, LPCSTR text,
                            const RequestOptions& options) {
    return configure(nullptr, request, driver, text, composeAttributeList(name, entries), options,
                     [&](const DriverSetup& setup) {
        if (!setup.installed) return Status::failure("no driver named " + std::string(driver) + " is installed");
        const std::vector<std::pair<std::string_view, std::string_view>> pairs(entries.begin(), entries.end());
        ProfileSection section;
        Status status = composeSection(name, driver, pairs, section);
        ProfileWriter file;
        if (status.ok()) status = openDataSourceFile(scopeOf(request), options, file);
        if (!status.ok()) return status;
        return file.carryOut(planFirstOfName(name, [&](const ProfileSection*, ProfileWriter::SectionPlan& plan) {
            plan = planPut(section);
            return Status();
        }));
    });
}

Status configDataSource(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes, const RequestOptions& options) {
    const std::string list = options.setup.enabled ? attributeListOf(attributes) : std::string();
    return configure(parent, request, driver, attributes, list, options, [&](const DriverSetup& setup) {
        return configureWithoutSetup(setup, request, driver, attributes, options);
    });
}

}  // namespace rireve
