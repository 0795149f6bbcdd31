// The lock across processes on one configuration file: an advisory lock
// (flock) on "<file>.lock" beside it, which the system releases should the
// process die. The lock file lasts only as long as the requests that want
// it: its holder removes it, still locked, when done, unless a waiter has
// come meanwhile (which then takes it, and removes it in turn). A process
// that was waiting on a removed file finds it gone and takes a new one;
// only a holder removes it, so no two processes ever hold one at the path.
// One left by a killed process is taken by the next writer, and removed.
#pragma once

#include <chrono>
#include <string>

#include "base/status.h"
#include "profile/file_system_linux.h"

namespace rireve {

class FileLock {
public:
    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

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

    // Removes the lock file while still holding it, unless a waiter has come,
    // then releases it: the last request leaves no lock file behind, and
    // none that another user's request would have to refuse.
    void release();

private:
    std::string path_;
    Descriptor file_;
    bool locked_ = false;  // flock taken, on the file then at the path
    off_t sizeWhenLocked_ = 0;  // grown since: a waiter came (file_lock_linux.cpp)
};

}  // namespace rireve
