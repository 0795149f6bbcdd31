// A data source file, locked for changes. Every process using this library
// takes the file's lock (file_lock_linux.h) before it reads the file it will
// change, and holds it until the new content is in place.
//
// A change touches the sections it plans: every other byte of the file (comments,
// blank lines, order, spacing, other sections) stays as it was. The new
// content goes to a new file in the same folder, with the old one's owner,
// mode, ACL and extended attributes (a new file is private to its user), is
// flushed to disk, read back by unixODBC's rules and checked to say
// exactly what was meant, and only then renamed over the old file. A reader
// or a crash sees the old file or the new one, never a part. Symbolic links
// are kept: the final target is replaced. A file that another program
// changed meanwhile (unixODBC's own tools write in place, unlocked) is read
// and changed again: a change is only ever made to one whole version of the
// file, read through one descriptor, unchanged during the read, left alone
// and closed by every other writer, and still there, byte for byte, just
// before the rename.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "profile/file_lock_linux.h"
#include "profile/file_target_linux.h"
#include "profile/profile.h"
#include "profile/section_layout.h"

namespace rireve {

class ProfileWriter {
public:
    ProfileWriter() = default;
    ProfileWriter(const ProfileWriter&) = delete;
    ProfileWriter& operator=(const ProfileWriter&) = delete;

    // Finds the file as the driver manager does, checks that it may be changed
    // (file_target_linux.h) and takes its lock, waiting at most `lockWait`.
    Status open(ProfileFile file, std::chrono::milliseconds lockWait);
    // The same for a file named by its path (a file data source).
    Status openPath(const std::string& path, std::chrono::milliseconds lockWait);
    // The file's final target, once open.
    const std::string& path() const { return target_.path; }

    // What becomes of a section, the first of its name (letter case
    // ignored): kept as it is, its entries edited in place (every other line
    // stays as it is), every section of the name replaced by one (added at
    // the end when there is none), or every one removed. A section with a
    // line the reader takes as more than one entry (longer than its pieces)
    // is never changed, here or by the others.
    struct SectionPlan {
        enum class Kind { keep, edit, put, remove };
        std::string name;
        Kind kind = Kind::keep;
        std::vector<EntryEdit> edits;
        ProfileSection section;
    };
    // A change of the whole file: its sections' plans, carried out in order.
    using FilePlan = std::vector<SectionPlan>;
    // Decides the plan from the sections of the very version of the file
    // the change is made to.
    using Planner = std::function<Status(const Profile& sections, FilePlan& plan)>;
    // Carries the plan out in one replacement of the file, or none of it. A
    // file this user's writers created and the plan leaves without a byte
    // is removed instead.
    Status carryOut(const Planner& planner);
    // Removes the file (a file data source).
    Status remove();

    // The replacements are readable and writable by the file's owner alone
    // (a secret goes into them), whatever mode the old file had.
    void keepPrivate() { private_ = true; }
    // Takes the file out, under its lock.
    Status removeFile();
    // Puts the file back as this writer first found it, once a change of
    // several files fails at a later one: its bytes and mode, through the
    // same replacement, or no file where there was none.
    Status putBack();

    // The file's text as read, the reader's sections of it and where they lie.
    struct Before {
        const std::string& path;
        std::string_view text;
        const std::vector<SectionLines>& lines;
        const Profile& sections;
    };

private:
    // What a change makes of the file: its new text, and the sections the
    // reader must find in it; or why it cannot be made.
    using Change = std::function<Status(const Before& before, std::string& text, Profile& expected)>;
    Status change(const Change& make);
    // One attempt at the change; `again` when another program, or a writer
    // that took a lock file removed meanwhile, changed the file during it.
    Status attempt(const Change& make, bool& again);

    // The file as first found, before this writer's first change.
    struct Original {
        bool exists = false;
        std::string bytes;
        mode_t mode = 0;
    };
    void keepOriginal(bool exists, std::string_view bytes, mode_t mode);

    FileTarget target_;
    std::chrono::milliseconds lockWait_{0};
    FileLock lock_;
    bool opened_ = false;
    bool changed_ = false;
    bool private_ = false;
    Original original_;
};

// Plans of one section.
ProfileWriter::SectionPlan planPut(ProfileSection section);
ProfileWriter::SectionPlan planRemoval(std::string_view name);
ProfileWriter::SectionPlan planEdits(std::string_view name, std::vector<EntryEdit> edits);

// A planner of the file from a planner of the first section of that name,
// given that section (null when there is none); the plan keeps the name.
using SectionPlanner = std::function<Status(const ProfileSection* current, ProfileWriter::SectionPlan& plan)>;
ProfileWriter::Planner planFirstOfName(std::string_view name, SectionPlanner planner);

}  // namespace rireve
