#include "profile/file_target_linux.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "profile/file_system_linux.h"

namespace rireve {
namespace {

// As the kernel's own limit on the links one path may go through.
constexpr int kMaxLinks = 40;

Status readLink(const std::string& path, std::string& next) {
    char target[PATH_MAX + 1] = {};
    const ssize_t size = readlink(path.c_str(), target, PATH_MAX);
    if (size < 0) return Status::systemFailure("cannot read the symbolic link", path, errno);
    const std::string link(target, static_cast<std::size_t>(size));
    next = link.front() == '/' ? link : folderOf(path) + "/" + link;
    return {};
}

// The final target of the chain, each link checked on the way.
Status followLinks(std::string path, FileTarget& target) {
    for (int links = 0;; ++links) {
        if (!statPath(path, target.status, false)) {
            if (errno != ENOENT) return Status::systemFailure("cannot read the status of", path, errno);
            target.path = path;
            target.exists = false;
            return {};
        }
        if (!S_ISLNK(target.status.st_mode)) {
            target.path = path;
            target.exists = true;
            return {};
        }
        Status owned = checkOwnedHere(path, target.status);
        if (!owned.ok()) return owned;
        if (links == kMaxLinks) return Status::failure(path + " goes through more than 40 symbolic links");
        Status read = readLink(path, path);
        if (!read.ok()) return read;
    }
}

// The change is an atomic replacement: the new content goes to a new file in
// the target's folder, never into the file itself, which a reader or a crash
// could otherwise meet half written.
Status checkFolderWritable(const std::string& path) {
    const std::string folder = folderOf(path);
    if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0) return {};
    return Status::systemFailure("cannot create a file in", folder, errno)
        .saying("a change replaces " + path + " with a new file made in that folder, beside its lock file, and never"
                " rewrites it in place, so that no reader or crash meets it half written: change it as a user who"
                " may write " + folder + ", or move it into a folder its writers may write and leave a symbolic"
                " link in its place");
}

Status checkMissingTarget(const FileTarget& target) {
    const std::string folder = folderOf(target.path);
    struct stat status = {};
    if (!statPath(folder, status, true)) return Status::systemFailure("cannot use the folder", folder, errno);
    if (!S_ISDIR(status.st_mode)) return Status::failure(folder + " is not a folder");
    return checkFolderWritable(target.path);
}

Status checkExistingTarget(const FileTarget& target) {
    const std::string& path = target.path;
    if (!S_ISREG(target.status.st_mode)) {
        return Status::failure(path + " is " + fileKind(target.status.st_mode) + ", not a regular file");
    }
    Status owned = checkOwnedHere(path, target.status);
    if (!owned.ok()) return owned;
    if (target.status.st_nlink > 1) {
        return Status::failure(path + " has " + std::to_string(target.status.st_nlink) +
                               " hard links; replacing it would leave the other names with the old content");
    }
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return Status::systemFailure("cannot write", path, errno);
    Status writable = checkFolderWritable(path);
    if (!writable.ok()) return writable;
    // The new file gets the old one's owner, which only root may give away:
    // refused here, before a lock file or a copy exists.
    if (geteuid() != 0 && target.status.st_uid != geteuid()) {
        return Status::systemFailure("cannot keep the owner of", path, EPERM);
    }
    return {};
}

}  // namespace

Status resolveWritableTarget(const std::string& path, FileTarget& target) {
    Status followed = followLinks(path, target);
    if (!followed.ok()) return followed;
    return target.exists ? checkExistingTarget(target) : checkMissingTarget(target);
}

}  // namespace rireve
