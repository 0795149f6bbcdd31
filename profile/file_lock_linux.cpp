#include "profile/file_lock_linux.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace rireve {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kRetryPause{10};

// Opens the lock file, creating it when there is none.
Status openLockFile(const std::string& path, Descriptor& file, struct stat& status) {
    constexpr int kFlags = O_RDWR | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    do {
        file.reset(open(path.c_str(), kFlags | O_CREAT | O_EXCL, S_IRUSR | S_IWUSR));
        if (file.get() < 0 && errno == EEXIST) file.reset(open(path.c_str(), kFlags));
    } while (file.get() < 0 && errno == ENOENT);  // removed between the two opens
    if (file.get() < 0) {
        if (errno == ELOOP || errno == EEXIST) {
            return Status::failure("the lock file " + path + " is a symbolic link; it is not used");
        }
        return Status::systemFailure("cannot open the lock file", path, errno);
    }
    if (!statDescriptor(file.get(), status)) return Status::systemFailure("cannot read the status of", path, errno);
    if (!S_ISREG(status.st_mode)) {
        return Status::failure("the lock file " + path + " is " + fileKind(status.st_mode) + ", not a regular file");
    }
    return checkOwnedHere(path, status);
}

// Locked, or true in `busy` while another process holds it.
Status tryLock(const std::string& path, int fd, bool& busy) {
    busy = false;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return {};
    if (errno == EWOULDBLOCK || errno == EINTR) {
        busy = true;
        return {};
    }
    return Status::systemFailure("cannot lock", path, errno);
}

// A process about to wait for the lock says so by adding a byte to the lock
// file, so that the holder leaves the file in place for it: a waiter kept on
// the one file is served in turn, where one whose file is removed could lose
// each new file to a process that came later. A byte that cannot be added
// only costs the waiter its turn.
void announceWaiter(int fd) { (void)write(fd, "w", 1); }

off_t sizeOf(int fd) {
    struct stat status = {};
    return statDescriptor(fd, status) ? status.st_size : -1;
}

// Still the file at the lock's path: not removed or replaced meanwhile.
bool stillAtPath(const std::string& path, const struct stat& locked) {
    struct stat now = {};
    return statPath(path, now, false) && now.st_dev == locked.st_dev && now.st_ino == locked.st_ino;
}

}  // namespace

void FileLock::release() {
    if (locked_ && held() && sizeOf(file_.get()) == sizeWhenLocked_) (void)unlink(path_.c_str());
    file_.reset(-1);
    locked_ = false;
}

bool FileLock::held() const {
    struct stat status = {};
    return locked_ && statDescriptor(file_.get(), status) && stillAtPath(path_, status);
}

Status FileLock::acquire(const std::string& path, std::chrono::milliseconds wait) {
    release();
    path_ = path;
    const Clock::time_point deadline = Clock::now() + wait;
    for (;;) {
        struct stat status = {};
        Status opened = openLockFile(path, file_, status);
        if (!opened.ok()) return opened;
        announceWaiter(file_.get());
        bool busy = true;
        while (busy) {
            Status locked = tryLock(path, file_.get(), busy);
            if (!locked.ok()) return locked;
            if (!busy) break;
            if (Clock::now() >= deadline) {
                return Status::failure("timed out after " + std::to_string(wait.count()) +
                                       " ms waiting for the lock " + path + ", which another process holds");
            }
            std::this_thread::sleep_for(kRetryPause);
        }
        locked_ = stillAtPath(path, status);
        sizeWhenLocked_ = sizeOf(file_.get());
        if (locked_) return {};
        file_.reset(-1);  // it was removed or replaced: take the one there now
    }
}

}  // namespace rireve
