// Linux: the driver manager's settings, its own section of the system's
// driver file (a user's driver file may hold one that overrides it), changed
// through the library's writer under the file's lock.
#include "installer/data_source_file_linux.h"
#include "installer/driver_manager_settings.h"
#include "platform/driver_manager.h"
#include "profile/profile_writer_linux.h"

namespace rireve {

Outcome readDriverManagerSettings(DriverManagerSettings& settings) {
    const std::string_view section = driverManager().settingsSection;
    Status status = findProfilePath(ProfileFile::drivers, settings.path);
    Profile system;
    if (status.ok()) status = readReadableProfileFile(ProfileFile::drivers, system);
    Profile user;
    if (status.ok()) status = readProfileFile(ProfileFile::userDrivers, user);
    if (!status.ok()) return Outcome::of(status);
    if (const ProfileSection* found = findSection(system, section)) {
        for (const ProfileEntry& entry : found->entries) settings.entries.emplace_back(entry.key, entry.value);
    }
    if (findSection(user, section) != nullptr) status = findProfilePath(ProfileFile::userDrivers, settings.overriddenBy);
    return Outcome::of(status);
}

Outcome configureDriverManager(const std::vector<EntryEdit>& edits, const RequestOptions& options) {
    const std::string_view name = driverManager().settingsSection;
    ProfileWriter file;
    // The settings are the machine's, not its drivers': say so when the file is closed to this user.
    Status status = openScopeFile(Scope::system, ProfileFile::userDrivers, ProfileFile::drivers, options,
                                  "the driver manager's settings, [ODBC] of that file, which every program of every "
                                  "user reads, are changed",
                                  file);
    if (!status.ok()) return Outcome::of(status);
    return Outcome::of(file.carryOut(planFirstOfName(name, [&](const ProfileSection* current, ProfileWriter::SectionPlan& plan) {
        if (current != nullptr) {
            plan = planEdits(name, edits);
            return Status();
        }
        ProfileSection added{std::string(name), {}};
        editEntries(added.entries, edits);
        plan = planPut(std::move(added));
        return Status();
    })));
}

}  // namespace rireve
