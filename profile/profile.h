// The driver manager's configuration files on Linux (odbcinst.ini and the
// system and user odbc.ini), read as the driver manager reads them
// (platform/driver_manager.h; profile_writer_linux.h changes them).
//
// Reading is this library's own, in one pass over the file's bytes, to
// unixODBC's rules (profile_text.h); nothing is kept from one read to the
// next. The driver manager's listing calls are not used: they serve a
// process-wide cache that keeps stale answers, and they cut long lists
// short.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "base/text_rules.h"
#include "platform/driver_manager.h"

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

// The user's drivers ($HOME/.odbcinst.ini) add to the system's.
using ProfileFile = ConfigurationFile;

// The file's path as the driver manager finds it (unixODBC: $ODBCSYSINI,
// $ODBCINSTINI, $ODBCINI, the user's home folder).
Status findProfilePath(ProfileFile file, std::string& path);

// Whether a read found the file: the driver manager lists data sources differently
// when the user's file is there but cannot be read, or is rejected by its
// reader (profile_text.h).
enum class ProfileAccess { read, missing, unreadable, rejected };

// The rules of a file read first, or of one added behind another
// (profile_text.h).
enum class ProfileRules { opened, added };

// Reads a file. A file that is missing, cannot be read or is rejected gives
// no sections, as it does for the driver manager (`access` says which).
// Fails for a file that is not a regular one (a FIFO, a device, a folder),
// which is never opened in a way that could block. With keys (letter case
// ignored), in order of preference, a section keeps only the first entry of
// each, and none of a key once it has a non-empty entry of a key before it:
// a listing of data sources needs a Driver entry, or its Description.
Status readProfile(const std::string& path, Profile& profile, const std::vector<std::string_view>& keys = {},
                   ProfileAccess* access = nullptr, ProfileRules rules = ProfileRules::opened);

// Finds the file's path and reads it.
Status readProfileFile(ProfileFile file, Profile& profile, const std::vector<std::string_view>& keys = {},
                       ProfileAccess* access = nullptr, ProfileRules rules = ProfileRules::opened);

// As readProfileFile, but a file that is there and cannot be read, or that
// the reader rejects, fails with its path and the reason.
Status readReadableProfileFile(ProfileFile file, Profile& profile);

// The drivers as the driver manager finds them: the system's driver file,
// and the user's ($HOME/.odbcinst.ini) added behind it. When the reader
// rejects the system's file, unixODBC finds no driver at all, not even the
// user's: both come back empty.
Status readDriverFiles(Profile& system, Profile& user);

// The first section of that name, or null.
const ProfileSection* findSection(const Profile& profile, std::string_view name);

// The value of the section's first entry of that key, or null.
const std::string* findValue(const ProfileSection& section, std::string_view key);

// One change to a section's entries: a value to set, or none to take the key out.
struct EntryEdit {
    std::string key;
    std::optional<std::string> value;
};

// The entries as the reader finds them once the edits are made in the text
// (section_layout.h): a key set keeps the place and spelling of its first
// entry (letter case ignored) and loses its later ones, a new key goes at the
// end, a key taken out goes wherever it is.
void editEntries(std::vector<ProfileEntry>& entries, const std::vector<EntryEdit>& edits);

}  // namespace rireve
