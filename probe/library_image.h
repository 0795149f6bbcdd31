// What a shared library's file says of itself, read as bytes and never
// loaded: the processor and word size it is built for, the libraries it
// needs, where it asks for them to be searched, and the names it exports.
// ELF on Linux (library_image_linux.cpp), PE on Windows
// (library_image_windows.cpp).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace rireve {

struct LibraryImage {
    std::string path;
    unsigned wordSize = 0;  // 32 or 64
    unsigned machine = 0;   // the format's machine number
    std::vector<std::string> needed;
    std::vector<std::string> searchFolders;  // its own search path, expanded
    bool rpathOnly = false;                  // searched before the environment's path (Linux's DT_RPATH)
    std::vector<std::string> exported;       // sorted
    bool tablesRead = false;                 // false: needed and exported are unknown

    bool exports(std::string_view name) const;
    bool sameTarget(const LibraryImage& other) const {
        return wordSize == other.wordSize && machine == other.machine;
    }
};

// Reads the file's headers. Fails with the path and errno when it cannot be
// read, and with what is wrong when it is not a library of the format.
Status readLibraryImage(const std::string& path, LibraryImage& image);

// The same of the file's bytes, read already; `path` names it in reasons and
// is the origin of its own search folders.
Status parseLibraryImage(const std::string& path, std::string_view bytes, LibraryImage& image);

// This process's own program, read the same way: the target every driver
// must share.
Status readProgramImage(LibraryImage& image);

// "ELF 64-bit x86-64", "PE 32-bit x86".
std::string describeTarget(const LibraryImage& image);

// Where the loader would find `name`, asked for by `requester` (nullptr: the
// driver manager loading a driver), among files built for `target`; none
// when no such file is found.
// The libraries of the driver manager's own folder of drivers (unixODBC's
// /usr/lib/<triplet>/odbc) for that target, as full paths; none where it
// keeps none.
std::vector<std::string> driverModuleLibraries(const LibraryImage& target);

// The file a path names once its links are followed (the path itself when it
// cannot be followed): two names of one library compare equal so.
std::string resolvePath(const std::string& path);

std::optional<std::string> locateLibrary(std::string_view name, const LibraryImage* requester,
                                         const LibraryImage& target);

// The entry of a driver's attributes that names its library ("Driver" or
// "Setup"), as this platform's driver manager picks it.
std::vector<std::string_view> libraryKeys(std::string_view key);

}  // namespace rireve
