// Windows: the driver manager's settings through the profile functions on
// the user's ODBC.INI.
#include "installer/driver_manager_settings.h"
#include "platform/installer_profile.h"

namespace rireve {
namespace {

constexpr char kSettingsSection[] = "ODBC";

}  // namespace

Outcome readDriverManagerSettings(DriverManagerSettings& settings) {
    settings.path = "ODBC.INI [ODBC] (the user's)";
    const InstallerProfile profile(ODBC_USER_DSN);
    std::vector<std::string> keys;
    Status status = profile.status().ok() ? profile.readKeys(kSettingsSection, keys) : profile.status();
    for (const std::string& key : keys) {
        std::string value;
        if (status.ok()) status = profile.readValue(kSettingsSection, key, value);
        settings.entries.emplace_back(key, value);
    }
    return Outcome::of(status);
}

Outcome configureDriverManager(const std::vector<EntryEdit>& edits, const RequestOptions&) {
    const InstallerProfile profile(ODBC_USER_DSN);
    for (const EntryEdit& edit : edits) {
        Status status = profile.write(kSettingsSection, edit.key, edit.value ? edit.value->c_str() : nullptr);
        if (!status.ok()) return Outcome::of(status);
    }
    return Outcome::of(profile.status());
}

}  // namespace rireve
