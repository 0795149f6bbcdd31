// Telling one whole version of a configuration file from one that another
// program is still writing: unixODBC's tools truncate the file and write it
// again in place, unlocked. Readers and writers alike take a version only
// once it is whole, and try again within one bound.
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <string>

namespace rireve {

// How often a read or a change is tried again when another program changes
// the file meanwhile, with a pause that doubles each time (5 ms first), so
// that a burst of another program's writes can pass: about 1.3 s in all.
constexpr int kAttempts = 8;
constexpr std::chrono::milliseconds kFirstPause{5};
// A file that a program taking no lock changed this recently may still be
// half written, and is looked at again once it has been left alone this long.
constexpr std::chrono::milliseconds kSettle{100};

// The same file in the same status: device, inode, size, modification and
// change times.
bool sameVersion(const struct stat& a, const struct stat& b);

// How long ago the file was last changed, by the system's clock.
std::chrono::milliseconds ageOf(const struct stat& file);

// Whether a version read may be taken as whole: one this user's writers
// left (recorded below), one changed over kSettle ago whose size is not what
// a tool stalled midway leaves (0 bytes, or whole blocks, within seconds of
// the change), or else one left
// alone for kSettle and held open for writing by no other process this one
// may inspect, which `unchanged` then confirms with a last look.
bool isSettled(const std::string& path, const struct stat& read, const std::function<bool()>& unchanged);

// The version of each file this user's writers left, taken before the rename
// that put it in place (a look at the path after it could find another
// program's truncation of the new file), and whether one of them created the
// file. Kept outside the file's folder, in a folder of this user's own
// ($XDG_RUNTIME_DIR/ri-reve, else /tmp/ri-reve-<uid>), one small file per
// configuration file, named by a hash of its path: a record only spares a
// pause, so one that cannot be kept costs nothing else.
bool isWrittenVersion(const std::string& path, const struct stat& file, bool* created = nullptr);
void recordWrittenVersion(const std::string& path, const struct stat& file, bool created);
// For a file that is gone.
void forgetWrittenVersion(const std::string& path);

}  // namespace rireve
