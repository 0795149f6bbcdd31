#include "probe/configuration_files.h"

#include <sys/stat.h>

#include "base/secret_keys.h"
#include "profile/file_system_linux.h"
#include "profile/profile.h"

namespace rireve {
namespace {

constexpr ProfileFile kFiles[] = {ProfileFile::drivers, ProfileFile::userDrivers, ProfileFile::systemDataSources,
                                  ProfileFile::userDataSources};

const char* describeFile(ProfileFile file) {
    switch (file) {
        case ProfileFile::drivers: return "the system's drivers";
        case ProfileFile::userDrivers: return "the user's drivers";
        case ProfileFile::systemDataSources: return "the system's data sources";
        case ProfileFile::userDataSources: return "the user's data sources";
    }
    return "a configuration file";
}

std::string octal(mode_t mode) {
    std::string text;
    for (int shift = 9; shift >= 0; shift -= 3) text += static_cast<char>('0' + ((mode >> shift) & 07));
    return text;
}

// Each secret stored in a data source file that others than its owner may
// read, with the chmod that keeps it to the owner (and, for the system's
// file, to a group of those who connect).
void auditSecrets(ProfileFile file, const ConfigurationPath& where, std::vector<Finding>& findings) {
    struct stat status {};
    if (!statPath(where.path, status, true) || (status.st_mode & (S_IRGRP | S_IROTH)) == 0) return;
    Profile profile;
    if (!readProfile(where.path, profile).ok()) return;
    const bool user = file == ProfileFile::userDataSources;
    const std::string readers = (status.st_mode & S_IROTH) ? "every user" : "its group";
    for (const ProfileSection& section : profile) {
        for (const ProfileEntry& entry : section.entries) {
            if (!isSecretKey(entry.key) || entry.value.empty()) continue;
            findings.push_back({Severity::warning, "secret.readable", section.name,
                                "the " + entry.key + " of " + (user ? "user" : "system") + " data source " +
                                    section.name + " is stored in " + where.path + ", whose mode " +
                                    octal(status.st_mode) + " lets " + readers + " read it",
                                user ? "chmod go-rwx " + where.path
                                     : "chmod o-rwx " + where.path + " (and chgrp it to the group of those who connect)"});
            break;
        }
    }
}

}  // namespace

bool checkConfigurationFiles(std::vector<Finding>& findings) {
    bool unread = false;
    for (ProfileFile file : kFiles) {
        const ConfigurationPath where = driverManager().findFile(file);
        findings.push_back({Severity::info, "config.file", describeFile(file),
                            where.path + ", " + where.why, ""});
        Profile profile;
        const Status read = readReadableProfileFile(file, profile);
        if (!read.ok()) {
            findings.push_back({Severity::error, "config.unread", where.path, read.reason(),
                                "make " + where.path + " a readable regular file, or point " +
                                    std::string(driverManager().name) + " elsewhere"});
            unread = true;
            continue;
        }
        if (file == ProfileFile::systemDataSources || file == ProfileFile::userDataSources) {
            auditSecrets(file, where, findings);
        }
    }
    return unread;
}

}  // namespace rireve
