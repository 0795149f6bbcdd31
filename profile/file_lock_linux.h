// The lock across processes on one configuration file: an advisory lock
// (flock) on "<file>.lock" beside it, which the system releases should the
// process die.
#pragma once

#include <chrono>
#include <string>

#include "base/status.h"
#include "profile/file_system_linux.h"

namespace rireve {

class FileLock {
public:
    // Takes the lock on `path` (the lock file's), waiting at most `wait` for
    // another process to release it. The lock file is never created through a
    // symbolic link, must be a regular file, and in a shared folder must be
    // this user's or root's. A lock file removed or replaced while it was
    // being locked locks nothing: it is taken again.
    Status acquire(const std::string& path, std::chrono::milliseconds wait);

    // Still the file at the lock's path. A clean-up that removes the lock
    // file lets another writer take a new one; a writer that finds its own
    // gone takes the lock again and makes its change anew.
    bool held() const;

    // Releases the lock, and removes the lock file if this lock created it:
    // a request that changed nothing leaves nothing behind that another
    // user's request would have to refuse.
    void removeIfCreated();

    // The lock file also keeps which version of the file the last writer
    // that took it left (device, inode, size, modification time), so that a
    // change made since by a program that takes no lock can be told apart.
    void recordVersion(const struct stat& file);
    bool isRecordedVersion(const struct stat& file) const;

private:
    std::string path_;
    Descriptor file_;
    bool created_ = false;
};

}  // namespace rireve
