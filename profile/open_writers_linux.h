// Whether another process has a file open for writing: unixODBC's tools
// truncate a file and write it through one descriptor, unlocked, and while
// that descriptor is open the file may be half written.
#pragma once

#include <sys/stat.h>

namespace rireve {

// True when a process this one may inspect (/proc/<pid>/fd: the same user,
// or any for root) holds the file open for writing.
bool isOpenForWriting(const struct stat& file);

}  // namespace rireve
