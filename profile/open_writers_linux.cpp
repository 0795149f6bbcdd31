#include "profile/open_writers_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "profile/file_system_linux.h"

namespace rireve {
namespace {

bool isDigits(const char* text) {
    if (*text == '\0') return false;
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9') return false;
    }
    return true;
}

// The open flags /proc/<pid>/fdinfo/<fd> gives, octal.
bool openedForWriting(const std::string& fdinfo) {
    FILE* info = std::fopen(fdinfo.c_str(), "re");
    if (info == nullptr) return false;
    char line[128];
    bool writing = false;
    constexpr char kFlags[] = "flags:";
    while (std::fgets(line, sizeof line, info) != nullptr) {
        if (std::strncmp(line, kFlags, sizeof kFlags - 1) != 0) continue;
        const unsigned long flags = std::strtoul(line + sizeof kFlags - 1, nullptr, 8);
        writing = (flags & O_ACCMODE) != O_RDONLY;
    }
    (void)std::fclose(info);  // opened for reading: nothing to lose
    return writing;
}

bool processWrites(const std::string& process, const struct stat& file) {
    DIR* descriptors = opendir((process + "/fd").c_str());
    if (descriptors == nullptr) return false;
    bool writes = false;
    while (const struct dirent* entry = readdir(descriptors)) {
        if (!isDigits(entry->d_name)) continue;
        struct stat target = {};
        if (!statPath(process + "/fd/" + entry->d_name, target, true)) continue;
        if (target.st_dev != file.st_dev || target.st_ino != file.st_ino) continue;
        if ((writes = openedForWriting(process + "/fdinfo/" + entry->d_name))) break;
    }
    closedir(descriptors);
    return writes;
}

}  // namespace

bool isOpenForWriting(const struct stat& file) {
    DIR* processes = opendir("/proc");
    if (processes == nullptr) return false;
    const std::string self = std::to_string(getpid());
    bool writing = false;
    while (const struct dirent* entry = readdir(processes)) {
        if (!isDigits(entry->d_name) || self == entry->d_name) continue;
        if ((writing = processWrites(std::string("/proc/") + entry->d_name, file))) break;
    }
    closedir(processes);
    return writing;
}

}  // namespace rireve
