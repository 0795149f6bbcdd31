// The driver manager's configuration files on Linux (odbcinst.ini and the
// system and user odbc.ini), read as unixODBC reads them and changed one
// section at a time.
//
// Reading goes through unixODBC's own profile reader, which its installer
// library exports: its rules (comments, trimming, long lines, duplicate
// sections) hold because they are its code. The driver manager's listing
// calls are not used: they serve a process-wide cache that keeps stale
// answers, and they cut long lists short.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "binding/status.h"
#include "profile/profile_text.h"

namespace rireve {

struct ProfileEntry {
    std::string key;
    std::string value;

    bool operator==(const ProfileEntry& other) const { return key == other.key && value == other.value; }
};

struct ProfileSection {
    std::string name;
    std::vector<ProfileEntry> entries;

    bool operator==(const ProfileSection& other) const { return name == other.name && entries == other.entries; }
};

// Sections in file order, duplicates included.
using Profile = std::vector<ProfileSection>;

enum class ProfileFile { drivers, systemDataSources, userDataSources };

// The file's path as unixODBC finds it ($ODBCSYSINI, $ODBCINSTINI, $ODBCINI,
// the user's home folder). Fails when the installer library cannot be bound.
Status findProfilePath(ProfileFile file, std::string& path);

// Reads a file with unixODBC's reader. A file that is missing or cannot be
// read gives no sections, as it does for the driver manager. Fails only when
// the reader cannot be bound. With keys, only the entries of those keys are
// kept (letter case ignored): a listing of data sources needs two of them.
Status readProfile(const std::string& path, Profile& profile, const std::vector<std::string_view>& keys = {});

// Finds the file's path and reads it.
Status readProfileFile(ProfileFile file, Profile& profile, const std::vector<std::string_view>& keys = {});

// The first section of that name, or null.
const ProfileSection* findSection(const Profile& profile, std::string_view name);

// The value of the section's first entry of that key, or null.
const std::string* findValue(const ProfileSection& section, std::string_view key);

// The user's data source file, locked for changes. The lock is an advisory
// lock (flock) on a file beside it, which the system releases should the
// process die; every process using this library takes it before it reads
// the file it will change, and holds it until the new content is in place.
//
// A change touches one section: every other byte of the file (comments,
// blank lines, order, spacing, other sections) stays as it was. The new
// content goes to a new file in the same folder, is flushed to disk, read
// back with unixODBC's reader and checked to say exactly what was meant, and
// only then renamed over the old file, whose mode and owner it keeps (a new
// file is private to its user). A reader or a crash sees the old file or the
// new one, never a part. A symbolic link is kept: its target is replaced.
class UserFile {
public:
    UserFile();
    ~UserFile();
    UserFile(const UserFile&) = delete;
    UserFile& operator=(const UserFile&) = delete;

    // False when the file could not be found or its lock taken; nothing
    // can be changed then.
    bool locked() const { return lock_ >= 0; }

    // Replaces the first section of that name (letter case ignored) and drops
    // any later ones, or adds the section at the end when there is none.
    bool putSection(const ProfileSection& section);

    // Removes every section of that name, provided the first one's Driver
    // entry is exactly `driver`.
    bool removeSection(std::string_view name, std::string_view driver);

private:
    std::string path_;  // the file itself, a symbolic link followed
    int lock_ = -1;
};

}  // namespace rireve
