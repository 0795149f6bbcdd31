#include "profile/file_system_linux.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace rireve {

Descriptor::~Descriptor() {
    if (fd_ >= 0) close(fd_);
}

void Descriptor::reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
}

bool statDescriptor(int fd, struct stat& status) { return syscall(SYS_fstat, fd, &status) == 0; }

bool statPath(const std::string& path, struct stat& status, bool follow) {
    return syscall(SYS_newfstatat, AT_FDCWD, path.c_str(), &status, follow ? 0 : AT_SYMLINK_NOFOLLOW) == 0;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

const char* fileKind(mode_t mode) {
    if (S_ISREG(mode)) return "a regular file";
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISLNK(mode)) return "a symbolic link";
    return "of an unknown kind";
}

bool isSharedFolder(const std::string& folder) {
    struct stat status = {};
    return statPath(folder, status, true) && (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

Status checkOwnedHere(const std::string& path, const struct stat& status) {
    if (status.st_uid == geteuid() || status.st_uid == 0 || !isSharedFolder(folderOf(path))) return {};
    std::string owner = "user " + std::to_string(status.st_uid);
    if (const struct passwd* account = getpwuid(status.st_uid)) owner += " (" + std::string(account->pw_name) + ")";
    return Status::failure(path + " is owned by " + owner + " in a folder that others may write; it is not used");
}

Status openRegularFile(const std::string& path, int flags, Descriptor& file, struct stat& status, int& error) {
    error = 0;
    file.reset(open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        error = errno;
        if (error == ENOENT) return {};
        return Status::systemFailure("cannot open", path, error);
    }
    if (!statDescriptor(file.get(), status)) return Status::systemFailure("cannot read the status of", path, errno);
    if (!S_ISREG(status.st_mode)) return Status::failure(path + " is " + fileKind(status.st_mode) + ", not a regular file");
    return {};
}

Status readAll(int fd, std::string& bytes, const std::string& path) {
    // Straight into the string, as much as its capacity holds (a caller that
    // knows the size reserves one byte more, to see the end without growing).
    constexpr std::size_t kStep = 1 << 16;
    for (off_t at = 0;;) {
        const std::size_t size = bytes.size();
        const std::size_t step = bytes.capacity() > size ? bytes.capacity() - size : kStep;
        bytes.resize(size + step);
        const ssize_t got = pread(fd, bytes.data() + size, step, at);
        bytes.resize(size + (got > 0 ? static_cast<std::size_t>(got) : 0));
        if (got == 0) return {};
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Status::systemFailure("cannot read", path, errno);
        at += got;
    }
}

}  // namespace rireve
