// Which file a change of a configuration file replaces, and whether it may.
#pragma once

#include <sys/stat.h>

#include <string>

#include "base/status.h"

namespace rireve {

struct FileTarget {
    std::string path;  // the final target: every symbolic link followed
    bool exists = false;
    struct stat status = {};
};

// Follows the chain of symbolic links from `path` to its final target, which
// a change replaces while every link stays a link. Refused, before anything
// is created: a target that is not a regular file, or that is missing and
// not a name in an existing folder; a link or target that another user may
// have planted in a shared folder; a target with other hard links (replacing
// it would split them); and one this process may not write.
Status resolveWritableTarget(const std::string& path, FileTarget& target);

}  // namespace rireve
