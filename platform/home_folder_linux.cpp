#include "platform/home_folder_linux.h"

#include <pwd.h>
#include <unistd.h>

namespace rireve {

std::string passwordHome() {
    char buffer[4096];
    struct passwd entry = {};
    struct passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return "/home";
}

}  // namespace rireve
