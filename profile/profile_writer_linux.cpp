#include "profile/profile_writer_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>
#include <unordered_set>
#include <vector>

#include "platform/driver_manager.h"
#include "profile/file_attributes_linux.h"
#include "profile/file_system_linux.h"
#include "profile/file_version_linux.h"

namespace rireve {
namespace {

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

// One whole version of the file: its bytes, read through one descriptor
// whose status is the same before and after the read and whose size is what
// was read; a missing file is empty.
struct FileText {
    Descriptor file;
    bool exists = false;
    std::string bytes;
    struct stat status = {};
};

// Reads the file; `torn` when another program changed it during the read
// (unixODBC's tools truncate the file in place, then write it).
Status readFileText(const std::string& path, FileText& text, bool& torn) {
    torn = false;
    int error = 0;
    Status opened = openRegularFile(path, O_RDONLY | O_NOFOLLOW, text.file, text.status, error);
    if (!opened.ok() || error == ENOENT) return opened;
    text.exists = true;
    text.bytes.reserve(static_cast<std::size_t>(text.status.st_size) + 1);
    Status read = readAll(text.file.get(), text.bytes, path);
    if (!read.ok()) return read;
    struct stat after = {};
    if (!statDescriptor(text.file.get(), after)) return Status::systemFailure("cannot read the status of", path, errno);
    torn = !sameVersion(text.status, after) || text.bytes.size() != static_cast<std::size_t>(after.st_size);
    return {};
}

// The file at the path is still the version read, to the byte: the same
// file, the same status, the same content. A program that truncated it in
// place and wrote it again within the clock's granularity changes no status,
// but a reading taken meanwhile differs in content.
bool unchangedSince(const std::string& path, const FileText& old) {
    struct stat now = {};
    if (!statPath(path, now, false)) return !old.exists && errno == ENOENT;
    if (!old.exists || !sameVersion(now, old.status)) return false;
    std::string bytes;
    bytes.reserve(old.bytes.size() + 1);
    return readAll(old.file.get(), bytes, path).ok() && bytes == old.bytes;
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

// The owner's permissions alone, so that a secret in the file stays its own.
Status makePrivate(int fd, const std::string& path) {
    struct stat status = {};
    if (!statDescriptor(fd, status)) return Status::systemFailure("cannot read the status of a new", path, errno);
    if (fchmod(fd, status.st_mode & S_IRWXU) != 0) return Status::systemFailure("cannot set the mode of a new", path, errno);
    return {};
}

void syncFolder(const std::string& path) {
    Descriptor folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) fsync(folder.get());
}

// The copy as the reader finds it on disk, read through a descriptor of its
// own; the copy is this writer's alone, so no other program can be writing it.
Status readBack(const std::string& path, Profile& sections) {
    FileText copy;
    bool torn = false;
    Status read = readFileText(path, copy, torn);
    if (!read.ok()) return read;
    ProfileText parsed;
    parseProfile(copy.bytes, ProfileRules::opened, {}, false, parsed);
    sections = std::move(parsed.sections);
    return {};
}

// A file that this user's writers created and that a change leaves without
// a byte is removed, provided the lock is still held and no other program
// changed it meanwhile: nothing is left that no one meant to keep.
Status removeEmptied(const std::string& path, const FileText& old, FileLock& lock, bool& changedMeanwhile) {
    changedMeanwhile = !lock.held() || !unchangedSince(path, old);
    if (changedMeanwhile) return Status::failure(path + " was changed by another program while it was being changed");
    if (unlink(path.c_str()) != 0) return Status::systemFailure("cannot remove", path, errno);
    forgetWrittenVersion(path);
    syncFolder(path);
    return {};
}

// Writes the new content beside the file, checks that the reader finds in it
// exactly the sections expected, and renames it over the file, provided the
// lock is still held and no other program changed the file meanwhile
// (`changedMeanwhile` otherwise): the last look before the rename compares
// the file's content with what was read. `created`: this user's writers
// created the file.
Status replaceFile(const std::string& path, const FileText& old, std::string_view bytes, const Profile& expected,
                   bool created, FileLock& lock, bool keepPrivate, bool& changedMeanwhile) {
    if (bytes.empty() && created) return removeEmptied(path, old, lock, changedMeanwhile);
    changedMeanwhile = false;
    TemporaryFile next(path);
    Status status = next.created(path);
    if (status.ok()) status = writeAll(next.fd(), bytes, next.path());
    if (status.ok()) status = copySecurity(old.exists ? old.file.get() : -1, old.status, next.fd(), path);
    if (status.ok() && keepPrivate) status = makePrivate(next.fd(), path);
    if (!status.ok()) return status;
    // Flushed before the rename, so that a crash cannot leave a renamed but empty file.
    if (fsync(next.fd()) != 0 || !next.closeNow()) return Status::systemFailure("cannot write", next.path(), errno);
    Profile written;
    status = readBack(next.path(), written);
    if (!status.ok()) return status;
    struct stat copy = {};
    changedMeanwhile = !lock.held() || !unchangedSince(path, old) || !statPath(next.path(), copy, false);
    if (changedMeanwhile) return Status::failure(path + " was changed by another program while it was being changed");
    if (written != expected) {
        return Status::failure(std::string(driverManager().name) + " would not read back what was written to " + path);
    }
    // Recorded before the rename, so that no reader waits for this version
    // once it is in place; a record of a copy never renamed matches no file.
    recordWrittenVersion(path, copy, created);
    if (!next.renameOver(path)) return Status::systemFailure("cannot replace", path, errno);
    // The rename is done; a failure to flush the folder cannot undo it.
    syncFolder(path);
    return {};
}

// A file that a program taking no lock changed within kSettle, or that
// another process holds open for writing, may be half written: it must be
// left alone and closed, unchanged, to be taken as read.
bool settled(const std::string& path, const FileText& old) {
    return !old.exists || isSettled(path, old.status, [&] { return unchangedSince(path, old); });
}

// Which sections have that name, letter case ignored.
std::vector<bool> sectionsNamed(const Profile& sections, std::string_view name) {
    std::vector<bool> named(sections.size());
    for (std::size_t i = 0; i < sections.size(); ++i) named[i] = sameProfileName(sections[i].name, name);
    return named;
}

// A section holding a line the reader takes as more than one entry is left
// as it is: changed line by line, its pieces would become other entries.
Status checkWhole(const ProfileWriter::Before& before, const std::vector<bool>& named) {
    for (std::size_t i = 0; i < named.size(); ++i) {
        const std::size_t line = before.lines[i].splitLine;
        if (!named[i] || line == 0) continue;
        return Status::failure("line " + std::to_string(line) + " of " + before.path + " is longer than " +
                               std::to_string(driverManager().reader.pieceBytes) + " bytes and " + driverManager().name +
                               " reads it as more than one entry;" +
                               " the section [" + before.sections[i].name + "] is left as it is");
    }
    return {};
}

// Only the first section of the name.
std::vector<bool> firstOnly(std::vector<bool> named) {
    bool seen = false;
    for (std::size_t i = 0; i < named.size(); ++i) {
        named[i] = named[i] && !seen;
        seen = seen || named[i];
    }
    return named;
}

// The sections without those of that name, and `section` (when not null)
// where the first of them was, or at the end.
Profile replacedSections(const Profile& before, std::string_view name, const ProfileSection* section) {
    Profile after;
    bool placed = false;
    for (const ProfileSection& each : before) {
        const bool named = sameProfileName(each.name, name);
        if (!named) after.push_back(each);
        if (named && !placed && section != nullptr) after.push_back(*section);
        placed = placed || named;
    }
    if (section != nullptr && !placed) after.push_back(*section);
    return after;
}


std::size_t firstOf(const std::vector<bool>& named) {
    return static_cast<std::size_t>(std::find(named.begin(), named.end(), true) - named.begin());
}

// One section's plan carried out on the text: the new text, and what the
// reader must find once it is made.
Status carryOutSection(const ProfileWriter::Before& before, const ProfileWriter::SectionPlan& plan, std::string& text,
                       Profile& expected) {
    using Kind = ProfileWriter::SectionPlan::Kind;
    const std::vector<bool> named = sectionsNamed(before.sections, plan.name);
    const std::size_t first = firstOf(named);
    Status whole = checkWhole(before, plan.kind == Kind::edit ? firstOnly(named) : named);
    if (!whole.ok()) return whole;
    if (plan.kind == Kind::edit && first == named.size()) {
        return Status::failure("no section " + plan.name + " in " + before.path);
    }
    if (plan.kind == Kind::edit) {
        text = editSectionText(before.text, before.lines[first], plan.edits);
        const std::size_t expectedFirst = firstOf(sectionsNamed(expected, plan.name));
        if (expectedFirst < expected.size()) editEntries(expected[expectedFirst].entries, plan.edits);
        return {};
    }
    const bool put = plan.kind == Kind::put;
    text = replaceSections(before.text, before.lines, named, put ? sectionText(plan.section, lineBreakOf(before.text)) : "");
    expected = replacedSections(expected, plan.name, put ? &plan.section : nullptr);
    return {};
}

// How many plans from `at` on put sections of names that neither the file
// nor an earlier one of them has: those are added at the end at once, as
// one after the other would add them, and the text is read again once.
std::size_t newSectionsAt(const ProfileWriter::FilePlan& plan, std::size_t at, const Profile& sections) {
    struct NameHash {
        std::size_t operator()(std::string_view name) const { return hashProfileName(name); }
    };
    struct SameName {
        bool operator()(std::string_view a, std::string_view b) const { return sameProfileName(a, b); }
    };
    if (at + 1 >= plan.size() || plan[at + 1].kind != ProfileWriter::SectionPlan::Kind::put) return 0;
    std::unordered_set<std::string_view, NameHash, SameName> names;
    for (const ProfileSection& section : sections) names.insert(section.name);
    std::size_t count = 0;
    while (at + count < plan.size() && plan[at + count].kind == ProfileWriter::SectionPlan::Kind::put &&
           names.insert(plan[at + count].name).second)
        ++count;
    return count;
}

void appendSections(const ProfileWriter::Before& before, const ProfileWriter::FilePlan& plan, std::size_t at,
                    std::size_t count, std::string& text, Profile& expected) {
    const std::string_view lineBreak = lineBreakOf(before.text);
    std::string insertion;
    for (std::size_t i = at; i < at + count; ++i) {
        if (i > at) insertion.append(lineBreak);
        insertion.append(sectionText(plan[i].section, lineBreak));
        expected.push_back(plan[i].section);
    }
    text = replaceSections(before.text, before.lines, std::vector<bool>(before.lines.size()), insertion);
}

// The text as a plan's earlier steps made it, read again for the next one.
Status readAgain(const std::string& path, std::string_view text, ProfileText& changed) {
    parseProfile(text, ProfileRules::opened, {}, true, changed);
    if (changed.rejection.empty()) return {};
    return Status::failure(std::string(driverManager().name) + " would not read back what was written to " + path);
}

}  // namespace

Status ProfileWriter::open(ProfileFile file, std::chrono::milliseconds lockWait) {
    std::string path;
    Status status = findProfilePath(file, path);
    if (!status.ok()) return status;
    if (path.empty()) {
        const ConfigurationPath found = driverManager().findFile(file);
        return Status::failure(std::string(driverManager().name) + " names no data source file (" + found.why + ")");
    }
    return openPath(path, lockWait);
}

Status ProfileWriter::openPath(const std::string& path, std::chrono::milliseconds lockWait) {
    Status status = resolveWritableTarget(path, target_);
    if (status.ok()) status = lock_.acquire(target_.path + ".lock", lockWait);
    if (!status.ok()) return status;
    removeLeftovers(target_.path);
    lockWait_ = lockWait;
    opened_ = true;
    return {};
}

Status ProfileWriter::carryOut(const Planner& planner) {
    return change([&](const Before& before, std::string& text, Profile& expected) {
        FilePlan plan;
        Status status = planner(before.sections, plan);
        text = std::string(before.text);
        expected = before.sections;
        ProfileText changed;  // the text as changed so far, read again
        bool changedYet = false;
        for (std::size_t at = 0; status.ok() && at < plan.size();) {
            if (plan[at].kind == SectionPlan::Kind::keep) {
                ++at;
                continue;
            }
            if (changedYet) status = readAgain(before.path, text, changed);
            const Before current = changedYet ? Before{before.path, text, changed.lines, changed.sections} : before;
            std::string next;
            const std::size_t added = status.ok() ? newSectionsAt(plan, at, current.sections) : 0;
            if (added > 1) appendSections(current, plan, at, added, next, expected);
            if (added <= 1 && status.ok()) status = carryOutSection(current, plan[at], next, expected);
            at += std::max<std::size_t>(added, 1);
            text = std::move(next);
            changedYet = true;
        }
        return status;
    });
}

ProfileWriter::SectionPlan planPut(ProfileSection section) {
    ProfileWriter::SectionPlan plan;
    plan.name = section.name;
    plan.kind = ProfileWriter::SectionPlan::Kind::put;
    plan.section = std::move(section);
    return plan;
}

ProfileWriter::SectionPlan planRemoval(std::string_view name) {
    ProfileWriter::SectionPlan plan;
    plan.name = std::string(name);
    plan.kind = ProfileWriter::SectionPlan::Kind::remove;
    return plan;
}

ProfileWriter::SectionPlan planEdits(std::string_view name, std::vector<EntryEdit> edits) {
    ProfileWriter::SectionPlan plan;
    plan.name = std::string(name);
    plan.kind = ProfileWriter::SectionPlan::Kind::edit;
    plan.edits = std::move(edits);
    return plan;
}

ProfileWriter::Planner planFirstOfName(std::string_view name, SectionPlanner planner) {
    return [name = std::string(name), planner = std::move(planner)](const Profile& sections,
                                                                     ProfileWriter::FilePlan& plan) {
        ProfileWriter::SectionPlan section;
        Status decided = planner(findSection(sections, name), section);
        section.name = name;
        plan.push_back(std::move(section));
        return decided;
    };
}

Status ProfileWriter::change(const Change& make) {
    if (!opened_) return Status::failure("the data source file is not open for changes");
    for (int tries = 0; tries < kAttempts; ++tries) {
        if (!lock_.held()) {
            Status locked = lock_.acquire(target_.path + ".lock", lockWait_);
            if (!locked.ok()) return locked;
        }
        bool again = false;
        Status status = attempt(make, again);
        if (!again) return status;
        std::this_thread::sleep_for(kFirstPause * (1 << tries));
    }
    return Status::failure(target_.path + " was changed, or held open for writing, by another program during each of " +
                           std::to_string(kAttempts) + " attempts to change it");
}

Status ProfileWriter::attempt(const Change& make, bool& again) {
    const std::string& path = target_.path;
    FileText old;
    Status status = readFileText(path, old, again);
    if (!status.ok()) return status;
    again = again || !settled(path, old);
    if (again) return Status::failure(path + " was changed by another program while it was being read");
    ProfileText before;
    parseProfile(old.bytes, ProfileRules::opened, {}, true, before);
    if (!before.rejection.empty()) {
        return Status::failure(path + " is not laid out as " + driverManager().name + "'s reader reads it: " +
                               before.rejection);
    }
    std::string text;
    Profile expected;
    status = make(Before{path, old.bytes, before.lines, before.sections}, text, expected);
    bool created = !old.exists;
    if (old.exists) (void)isWrittenVersion(path, old.status, &created);
    if (status.ok()) status = replaceFile(path, old, text, expected, created, lock_, private_, again);
    if (status.ok()) keepOriginal(old.exists, old.bytes, old.status.st_mode);
    changed_ = changed_ || status.ok();
    return status;
}

void ProfileWriter::keepOriginal(bool exists, std::string_view bytes, mode_t mode) {
    if (changed_) return;
    original_ = Original{exists, std::string(bytes), static_cast<mode_t>(mode & 07777)};
}

Status ProfileWriter::removeFile() {
    if (!opened_) return Status::failure("the data source file is not open for changes");
    const std::string& path = target_.path;
    FileText old;
    bool torn = false;
    Status status = readFileText(path, old, torn);
    if (status.ok() && torn) status = Status::failure(path + " was changed by another program while it was being read");
    if (!status.ok() || !old.exists) return status;
    if (unlink(path.c_str()) != 0) return Status::systemFailure("cannot remove", path, errno);
    forgetWrittenVersion(path);
    syncFolder(path);
    keepOriginal(true, old.bytes, old.status.st_mode);
    changed_ = true;
    return {};
}

Status ProfileWriter::putBack() {
    if (!changed_) return {};
    const std::string& path = target_.path;
    if (!original_.exists) {
        if (unlink(path.c_str()) != 0 && errno != ENOENT) return Status::systemFailure("cannot remove", path, errno);
        return {};
    }
    private_ = false;
    Status status = change([&](const Before&, std::string& text, Profile& expected) {
        text = original_.bytes;
        ProfileText parsed;
        parseProfile(text, ProfileRules::opened, {}, false, parsed);
        expected = std::move(parsed.sections);
        return Status();
    });
    if (status.ok() && chmod(path.c_str(), original_.mode) != 0) {
        return Status::systemFailure("cannot put back the mode of", path, errno);
    }
    return status;
}

Status ProfileWriter::remove() {
    if (!opened_) return Status::failure("the file is not open for changes");
    if (unlink(target_.path.c_str()) != 0) return Status::systemFailure("cannot remove", target_.path, errno);
    forgetWrittenVersion(target_.path);
    syncFolder(target_.path);
    return {};
}

}  // namespace rireve
