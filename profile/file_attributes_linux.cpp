#include "profile/file_attributes_linux.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

namespace rireve {
namespace {

// The names of the file's extended attributes, each ended by a NUL. A file
// system without extended attributes has none.
Status listAttributes(int fd, const std::string& path, std::vector<char>& names) {
    for (;;) {
        const ssize_t size = flistxattr(fd, nullptr, 0);
        if (size < 0 && (errno == ENOTSUP)) return {};
        if (size < 0) return Status::systemFailure("cannot list the extended attributes of", path, errno);
        names.resize(static_cast<std::size_t>(size));
        if (size == 0) return {};
        const ssize_t got = flistxattr(fd, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            return {};
        }
        if (errno != ERANGE) return Status::systemFailure("cannot list the extended attributes of", path, errno);
    }
}

Status copyAttribute(int from, int to, const char* name, const std::string& path) {
    std::vector<char> value;
    for (;;) {
        const ssize_t size = fgetxattr(from, name, nullptr, 0);
        if (size < 0) return Status::systemFailure("cannot read the extended attribute " + std::string(name) + " of", path, errno);
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = fgetxattr(from, name, value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE) return Status::systemFailure("cannot read the extended attribute " + std::string(name) + " of", path, errno);
    }
    if (fsetxattr(to, name, value.data(), value.size(), 0) != 0) {
        return Status::systemFailure("cannot keep the extended attribute " + std::string(name) + " of", path, errno);
    }
    return {};
}

}  // namespace

Status copySecurity(int from, const struct stat& old, int to, const std::string& path) {
    if (from < 0) {
        if (fchmod(to, S_IRUSR | S_IWUSR) != 0) return Status::systemFailure("cannot set the mode of a new", path, errno);
        return {};
    }
    // The owner first: changing it clears set-id bits and capabilities.
    const bool sameOwner = old.st_uid == geteuid() && old.st_gid == getegid();
    if (!sameOwner && fchown(to, old.st_uid, old.st_gid) != 0) {
        return Status::systemFailure("cannot keep the owner of", path, errno);
    }
    if (fchmod(to, old.st_mode & 07777) != 0) return Status::systemFailure("cannot keep the mode of", path, errno);
    std::vector<char> names;
    Status listed = listAttributes(from, path, names);
    if (!listed.ok()) return listed;
    for (std::size_t at = 0; at < names.size(); at += std::string_view(names.data() + at).size() + 1) {
        Status copied = copyAttribute(from, to, names.data() + at, path);
        if (!copied.ok()) return copied;
    }
    return {};
}

}  // namespace rireve
