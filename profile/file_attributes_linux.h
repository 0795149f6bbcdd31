// What a replaced configuration file keeps of the old one besides its text:
// owner, mode, ACL and every extended attribute, so that a password in it
// stays as private as it was.
#pragma once

#include <sys/stat.h>

#include <string>

#include "base/status.h"

namespace rireve {

// Gives the new file `to` the old file's owner, mode and extended attributes
// (system.posix_acl_access among them), or, when there was no old file
// (`from` is -1), a mode for its user alone. Fails when any of them cannot
// be copied: the new file must not be readable by more than the old one.
Status copySecurity(int from, const struct stat& old, int to, const std::string& path);

}  // namespace rireve
