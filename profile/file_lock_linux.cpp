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

// Opens the lock file, creating it when there is none (`created` then).
Status openLockFile(const std::string& path, Descriptor& file, struct stat& status, bool& created) {
    constexpr int kFlags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    do {
        file.reset(open(path.c_str(), kFlags | O_CREAT | O_EXCL, S_IRUSR | S_IWUSR));
        created = file.get() >= 0;
        if (!created && errno == EEXIST) file.reset(open(path.c_str(), kFlags));
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

// Still the file at the lock's path: not removed or replaced meanwhile.
bool stillAtPath(const std::string& path, const struct stat& locked) {
    struct stat now = {};
    return statPath(path, now, false) && now.st_dev == locked.st_dev && now.st_ino == locked.st_ino;
}

}  // namespace

namespace {

std::string versionText(const struct stat& file) {
    return std::to_string(file.st_dev) + " " + std::to_string(file.st_ino) + " " + std::to_string(file.st_size) + " " +
           std::to_string(file.st_mtim.tv_sec) + " " + std::to_string(file.st_mtim.tv_nsec) + "\n";
}

}  // namespace

void FileLock::recordVersion(const struct stat& file) {
    const std::string text = versionText(file);
    // A record that cannot be written only costs the next writer a pause.
    if (pwrite(file_.get(), text.data(), text.size(), 0) == static_cast<ssize_t>(text.size())) {
        (void)ftruncate(file_.get(), static_cast<off_t>(text.size()));
    }
}

bool FileLock::isRecordedVersion(const struct stat& file) const {
    const std::string expected = versionText(file);
    char recorded[128] = {};
    const ssize_t got = pread(file_.get(), recorded, sizeof recorded - 1, 0);
    return got == static_cast<ssize_t>(expected.size()) && expected == recorded;
}

void FileLock::removeIfCreated() {
    // Removed while still locked: a process waiting for it then finds it gone
    // and takes the lock anew.
    if (created_ && held()) unlink(path_.c_str());
    file_.reset(-1);
    created_ = false;
}

bool FileLock::held() const {
    struct stat status = {};
    return file_.get() >= 0 && statDescriptor(file_.get(), status) && stillAtPath(path_, status);
}

Status FileLock::acquire(const std::string& path, std::chrono::milliseconds wait) {
    path_ = path;
    file_.reset(-1);
    const Clock::time_point deadline = Clock::now() + wait;
    for (;;) {
        struct stat status = {};
        Status opened = openLockFile(path, file_, status, created_);
        if (!opened.ok()) return opened;
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
        if (stillAtPath(path, status)) return {};
        file_.reset(-1);  // it was removed or replaced: take the one there now
    }
}

}  // namespace rireve
