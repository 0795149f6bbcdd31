#include "profile/profile_writer_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "profile/file_attributes_linux.h"
#include "profile/file_system_linux.h"
#include "profile/section_layout.h"

namespace rireve {
namespace {

// How often a change is read and made again when another program changes
// the file meanwhile.
constexpr int kAttempts = 5;
constexpr std::string_view kRandomPart = "XXXXXX";

// A new file beside the target, removed unless it has been renamed over it.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target)
        : path_(folderOf(target) + "/." + nameOf(target) + "." + std::string(kRandomPart)) {
        fd_ = mkostemp(path_.data(), O_CLOEXEC);
        error_ = fd_ < 0 ? errno : 0;
    }
    ~TemporaryFile() {
        if (fd_ >= 0) close(fd_);
        if (!renamed_ && fd_ != kNone) unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    Status created(const std::string& target) const {
        return fd_ >= 0 ? Status() : Status::systemFailure("cannot create a file beside", target, error_);
    }
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

private:
    static constexpr int kNone = -1;    // mkostemp failed: nothing to remove
    static constexpr int kClosed = -2;  // closed, still to be renamed or removed
    std::string path_;
    int fd_ = kNone;
    int error_ = 0;
    bool renamed_ = false;
};

// A name that TemporaryFile gives a copy of the file `name`.
bool isTemporaryName(std::string_view entry, std::string_view name) {
    const std::size_t prefix = name.size() + 2;
    if (entry.size() != prefix + kRandomPart.size() || entry[0] != '.' || entry[prefix - 1] != '.') return false;
    if (entry.substr(1, name.size()) != name) return false;
    for (char c : entry.substr(prefix)) {
        const bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alphanumeric) return false;
    }
    return true;
}

// Only a writer holding the lock makes a copy, so any copy found under the
// lock was left by one that died: it holds the old text, passwords included.
void removeLeftovers(const std::string& target) {
    const std::string folder = folderOf(target);
    const std::string name = nameOf(target);
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) return;
    while (const struct dirent* entry = readdir(listing)) {
        if (!isTemporaryName(entry->d_name, name)) continue;
        const std::string path = folder + "/" + entry->d_name;
        struct stat status = {};
        if (statPath(path, status, false) && S_ISREG(status.st_mode) && status.st_uid == geteuid()) {
            unlink(path.c_str());
        }
    }
    closedir(listing);
}

// The file as read: its bytes, its status, and the descriptor it was read
// through; a missing file is empty.
struct FileText {
    Descriptor file;
    bool exists = false;
    std::string bytes;
    struct stat status = {};
};

Status readFileText(const std::string& path, FileText& text) {
    int error = 0;
    Status opened = openRegularFile(path, O_RDONLY | O_NOFOLLOW, text.file, text.status, error);
    if (!opened.ok() || error == ENOENT) return opened;
    text.exists = true;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read(text.file.get(), buffer, sizeof buffer);
        if (got == 0) return {};
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Status::systemFailure("cannot read", path, errno);
        text.bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

// The same file, unchanged since it was read.
bool unchangedSince(const std::string& path, const FileText& old) {
    struct stat now = {};
    if (!statPath(path, now, false)) return !old.exists && errno == ENOENT;
    const struct stat& then = old.status;
    return old.exists && now.st_dev == then.st_dev && now.st_ino == then.st_ino && now.st_size == then.st_size &&
           now.st_mtim.tv_sec == then.st_mtim.tv_sec && now.st_mtim.tv_nsec == then.st_mtim.tv_nsec &&
           now.st_ctim.tv_sec == then.st_ctim.tv_sec && now.st_ctim.tv_nsec == then.st_ctim.tv_nsec;
}

Status writeAll(int fd, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return Status::systemFailure("cannot write", path, errno);
        if (written == 0) return Status::systemFailure("cannot write", path, ENOSPC);
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

void syncFolder(const std::string& path) {
    Descriptor folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) fsync(folder.get());
}

// Writes the new content beside the file, checks that the reader finds in it
// exactly the sections expected, and renames it over the file, provided no
// other program changed the file meanwhile (`changedMeanwhile` then).
Status replaceFile(const std::string& path, const FileText& old, std::string_view bytes, const Profile& expected,
                   bool& changedMeanwhile) {
    changedMeanwhile = false;
    TemporaryFile next(path);
    Status status = next.created(path);
    if (status.ok()) status = writeAll(next.fd(), bytes, next.path());
    if (status.ok()) status = copySecurity(old.exists ? old.file.get() : -1, old.status, next.fd(), path);
    if (!status.ok()) return status;
    // Flushed before the rename, so that a crash cannot leave a renamed but empty file.
    if (fsync(next.fd()) != 0 || !next.closeNow()) return Status::systemFailure("cannot write", next.path(), errno);
    Profile written;
    status = readProfile(next.path(), written);
    if (!status.ok()) return status;
    if (written != expected) return Status::failure("unixODBC's reader does not read back what was written to " + path);
    if (!unchangedSince(path, old)) {
        changedMeanwhile = true;
        return Status::failure(path + " was changed by another program while it was being changed");
    }
    if (!next.renameOver(path)) return Status::systemFailure("cannot replace", path, errno);
    // The rename is done; a failure to flush the folder cannot undo it.
    syncFolder(path);
    return {};
}

std::string sectionText(const ProfileSection& section) {
    std::string text = "[" + section.name + "]\n";
    for (const ProfileEntry& entry : section.entries) text.append(entry.key).append("=").append(entry.value).append("\n");
    return text;
}

// The reader's sections of exactly the bytes read, through the descriptor
// they were read from.
Status readSections(const std::string& path, const FileText& old, Profile& sections) {
    if (!old.exists) return {};
    const std::string procPath = "/proc/self/fd/" + std::to_string(old.file.get());
    return readProfile(access(procPath.c_str(), R_OK) == 0 ? procPath : path, sections);
}

Status checkRemoval(const std::string& path, const Profile& before, std::string_view name, std::string_view driver) {
    const ProfileSection* first = findSection(before, name);
    if (first == nullptr) return Status::failure("no data source named " + std::string(name) + " in " + path);
    const std::string* named = findValue(*first, "Driver");
    if (named != nullptr && *named == driver) return {};
    return Status::failure("the data source " + std::string(name) + " in " + path + " uses the driver " +
                           (named != nullptr ? *named : std::string("(none)")) + ", not " + std::string(driver));
}

}  // namespace

Status ProfileWriter::open(ProfileFile file, std::chrono::milliseconds lockWait) {
    std::string path;
    Status status = findProfilePath(file, path);
    if (status.ok() && path.empty()) status = Status::failure("unixODBC names no data source file");
    if (status.ok()) status = resolveWritableTarget(path, target_);
    if (status.ok()) status = lock_.acquire(target_.path + ".lock", lockWait);
    if (!status.ok()) return status;
    removeLeftovers(target_.path);
    opened_ = true;
    return {};
}

Status ProfileWriter::putSection(const ProfileSection& section) { return change(section.name, &section, {}); }

Status ProfileWriter::removeSection(std::string_view name, std::string_view driver) {
    return change(name, nullptr, driver);
}

// Takes out every section of that name and puts `section` (when not null)
// where the first one was.
Status ProfileWriter::change(std::string_view name, const ProfileSection* section, std::string_view requiredDriver) {
    if (!opened_) return Status::failure("the data source file is not open for changes");
    const std::string& path = target_.path;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        FileText old;
        Profile before;
        Status status = readFileText(path, old);
        if (status.ok()) status = readSections(path, old, before);
        if (!status.ok()) return status;
        const std::vector<SectionSpan> spans = findSectionSpans(old.bytes);
        // The reader and the layout must agree on where every section is.
        if (spans.size() != before.size()) {
            return Status::failure(path + " is not laid out as unixODBC's reader reads it: " +
                                   describeLayoutMismatch(old.bytes));
        }
        if (section == nullptr) {
            status = checkRemoval(path, before, name, requiredDriver);
            if (!status.ok()) return status;
        }
        std::vector<bool> matches(spans.size());
        Profile expected;
        bool placed = false;
        for (std::size_t i = 0; i < before.size(); ++i) {
            matches[i] = sameProfileName(before[i].name, name);
            if (!matches[i]) expected.push_back(before[i]);
            if (matches[i] && !placed && section != nullptr) expected.push_back(*section);
            placed = placed || matches[i];
        }
        if (section != nullptr && !placed) expected.push_back(*section);
        const std::string text = replaceSections(old.bytes, spans, matches, section ? sectionText(*section) : "");
        bool changedMeanwhile = false;
        status = replaceFile(path, old, text, expected, changedMeanwhile);
        if (!changedMeanwhile) return status;
    }
    return Status::failure(path + " was changed by another program during each of " + std::to_string(kAttempts) +
                           " attempts to change it");
}

}  // namespace rireve
