// The few file system operations the configuration files need, each giving a
// Status that names the path and the system's error. stat goes through the
// system call itself: glibc's stat functions are symbols of 2.33, newer than
// the systems the library loads on.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "base/status.h"

namespace rireve {

// A descriptor closed on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor();
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    void reset(int fd);

private:
    int fd_;
};

bool statDescriptor(int fd, struct stat& status);
// Without following a final symbolic link when `follow` is false.
bool statPath(const std::string& path, struct stat& status, bool follow);

std::string folderOf(const std::string& path);
std::string nameOf(const std::string& path);

// "a FIFO", "a folder", ...: what a file that is not a regular one is.
const char* fileKind(mode_t mode);

// A folder that users other than its owner may write: a file planted there
// by one of them could redirect what is written.
bool isSharedFolder(const std::string& folder);

// In a shared folder, a file owned by anyone but this process's user (or
// root) is refused: another user could have planted it.
Status checkOwnedHere(const std::string& path, const struct stat& status);

// Opens without blocking (a FIFO's open waits for a writer otherwise) and
// checks that what was opened is a regular file. ENOENT comes back as is,
// with no reason, so that callers can take a missing file as empty.
Status openRegularFile(const std::string& path, int flags, Descriptor& file, struct stat& status, int& error);

// Appends every byte from the file's start to its end.
Status readAll(int fd, std::string& bytes, const std::string& path);

}  // namespace rireve
