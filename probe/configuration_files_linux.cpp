#include "probe/configuration_files.h"

#include "profile/profile.h"

namespace rireve {

bool checkConfigurationFiles(std::vector<Finding>& findings) {
    bool unread = false;
    for (ProfileFile file : {ProfileFile::drivers, ProfileFile::userDrivers, ProfileFile::systemDataSources,
                             ProfileFile::userDataSources}) {
        Profile profile;
        const Status read = readReadableProfileFile(file, profile);
        if (read.ok()) continue;
        std::string path;
        (void)findProfilePath(file, path);
        findings.push_back({Severity::error, "config.unread", path, read.reason()});
        unread = true;
    }
    return unread;
}

}  // namespace rireve
