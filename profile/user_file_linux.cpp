#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "profile/profile.h"
#include "profile/section_layout.h"

namespace rireve {
namespace {

// A descriptor closed on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }

private:
    int fd_;
};

// A new file beside the target, removed unless it has been renamed over it.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) : path_(folderOf(target) + "/." + nameOf(target) + ".XXXXXX") {
        fd_ = mkostemp(path_.data(), O_CLOEXEC);
    }
    ~TemporaryFile() {
        if (fd_ >= 0) close(fd_);
        if (!renamed_ && fd_ != kNone) unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool created() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    bool closeNow() {
        const int fd = fd_;
        fd_ = kClosed;
        return close(fd) == 0;
    }
    bool renameOver(const std::string& target) {
        renamed_ = rename(path_.c_str(), target.c_str()) == 0;
        return renamed_;
    }

    static std::string folderOf(const std::string& path) {
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos) return ".";
        return slash == 0 ? "/" : path.substr(0, slash);
    }
    static std::string nameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

private:
    static constexpr int kNone = -1;    // mkostemp failed: nothing to remove
    static constexpr int kClosed = -2;  // closed, still to be renamed or removed
    std::string path_;
    int fd_ = kNone;
    bool renamed_ = false;
};

// The file's bytes and what must be kept of it; a missing file is empty.
struct FileText {
    bool exists = false;
    std::string bytes;
    struct stat status = {};
};

// Through the system call itself: glibc's fstat is a symbol of 2.33, newer
// than the systems the library loads on.
bool fileStatus(int fd, struct stat& status) { return syscall(SYS_fstat, fd, &status) == 0; }

bool readFileText(const std::string& path, FileText& text) {
    Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return errno == ENOENT;
    if (!fileStatus(file.get(), text.status) || !S_ISREG(text.status.st_mode)) return false;
    text.exists = true;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read(file.get(), buffer, sizeof buffer);
        if (got == 0) return true;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        text.bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The old file's mode and owner, or a mode for its user alone when new.
bool keepModeAndOwner(int fd, const FileText& old) {
    if (!old.exists) return fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    if (fchmod(fd, old.status.st_mode & 07777) != 0) return false;
    if (old.status.st_uid == geteuid() && old.status.st_gid == getegid()) return true;
    return fchown(fd, old.status.st_uid, old.status.st_gid) == 0;
}

bool syncFolder(const std::string& path) {
    Descriptor folder(open(TemporaryFile::folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder.get() >= 0 && fsync(folder.get()) == 0;
}

// Writes the new content beside the file, checks that the reader finds in it
// exactly the sections expected, and renames it over the file.
bool replaceFile(const std::string& path, const FileText& old, std::string_view bytes, const Profile& expected) {
    TemporaryFile next(path);
    if (!next.created()) return false;
    if (!writeAll(next.fd(), bytes) || !keepModeAndOwner(next.fd(), old)) return false;
    // Flushed before the rename, so that a crash cannot leave a renamed but empty file.
    if (fsync(next.fd()) != 0 || !next.closeNow()) return false;
    Profile written;
    if (!readProfile(next.path(), written).ok() || written != expected) return false;
    if (!next.renameOver(path)) return false;
    // The rename is done; a failure to flush the folder cannot undo it.
    syncFolder(path);
    return true;
}

std::string sectionText(const ProfileSection& section) {
    std::string text = "[" + section.name + "]\n";
    for (const ProfileEntry& entry : section.entries) text.append(entry.key).append("=").append(entry.value).append("\n");
    return text;
}

// The file itself: a symbolic link is followed, so that it stays a link.
std::string resolveLink(const std::string& path) {
    char target[PATH_MAX + 1] = {};
    const ssize_t size = readlink(path.c_str(), target, PATH_MAX);
    if (size <= 0) return path;  // not a link
    char resolved[PATH_MAX + 1] = {};
    if (realpath(path.c_str(), resolved) != nullptr) return resolved;
    // A link to a file yet to be created.
    const std::string link(target, static_cast<std::size_t>(size));
    return link.front() == '/' ? link : TemporaryFile::folderOf(path) + "/" + link;
}

// Takes out every section of that name and puts `section` (when not null)
// where the first one was; false when the file cannot be read as expected.
bool changeSections(const std::string& path, std::string_view name, const ProfileSection* section,
                    std::string_view requiredDriver) {
    FileText old;
    Profile before;
    if (!readFileText(path, old) || !readProfile(path, before).ok()) return false;
    const std::vector<SectionSpan> spans = findSectionSpans(old.bytes);
    // The reader and the layout must agree on where every section is.
    if (spans.size() != before.size()) return false;
    std::vector<bool> matches(spans.size());
    Profile expected;
    bool placed = false;
    for (std::size_t i = 0; i < before.size(); ++i) {
        matches[i] = sameProfileName(before[i].name, name);
        if (!matches[i]) expected.push_back(before[i]);
        if (matches[i] && !placed && section != nullptr) expected.push_back(*section);
        placed = placed || matches[i];
    }
    if (section == nullptr) {
        const ProfileSection* first = findSection(before, name);
        const std::string* driver = first != nullptr ? findValue(*first, "Driver") : nullptr;
        if (driver == nullptr || *driver != requiredDriver) return false;
    } else if (!placed) {
        expected.push_back(*section);
    }
    const std::string text = replaceSections(old.bytes, spans, matches, section ? sectionText(*section) : "");
    return replaceFile(path, old, text, expected);
}

}  // namespace

UserFile::UserFile() {
    if (!findProfilePath(ProfileFile::userDataSources, path_).ok() || path_.empty()) return;
    path_ = resolveLink(path_);
    lock_ = open((path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (lock_ < 0) return;
    int locked = -1;
    do {
        locked = flock(lock_, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (locked == 0) return;
    close(lock_);
    lock_ = -1;
}

UserFile::~UserFile() {
    // Closing the lock file releases the lock.
    if (lock_ >= 0) close(lock_);
}

bool UserFile::putSection(const ProfileSection& section) {
    return locked() && changeSections(path_, section.name, &section, {});
}

bool UserFile::removeSection(std::string_view name, std::string_view driver) {
    return locked() && changeSections(path_, name, nullptr, driver);
}

}  // namespace rireve
