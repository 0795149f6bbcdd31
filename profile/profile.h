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

namespace rireve {

struct ProfileEntry {
    std::string key;
    std::string value;
};

struct ProfileSection {
    std::string name;
    std::vector<ProfileEntry> entries;
};

// Sections in file order, duplicates included.
using Profile = std::vector<ProfileSection>;

enum class ProfileFile { drivers, systemDataSources, userDataSources };

// The file's path as unixODBC finds it ($ODBCSYSINI, $ODBCINSTINI, $ODBCINI,
// the user's home folder); empty when the installer library cannot be bound.
std::string profilePath(ProfileFile file);

// Reads a file with unixODBC's reader. A file that is missing or cannot be
// read gives no sections, as it does for the driver manager. False only when
// the reader cannot be bound.
bool readProfile(const std::string& path, Profile& profile);

// The reader compares section and key names without regard to letter case
// (ASCII letters only, as strcasecmp in the C locale).
bool sameProfileName(std::string_view a, std::string_view b);

// The name in lower case: equal for names that sameProfileName finds equal.
std::string foldProfileName(std::string_view name);

// The first section of that name, or null.
const ProfileSection* findSection(const Profile& profile, std::string_view name);

// The value of the section's first entry of that key, or null.
const std::string* findValue(const ProfileSection& section, std::string_view key);

}  // namespace rireve
