// Serialises this process's changes to the ODBC configuration against each
// other and against its listings. The installer rewrites whole profile files
// in place without a lock of its own: two requests at once lose entries, and a
// listing taken meanwhile sees a half-written file.
#pragma once

#include <mutex>
#include <shared_mutex>

namespace rireve {

std::shared_mutex& configurationLock();

// Held by a listing or a read-back, at the outermost call only: nested
// lookups run under their caller's hold.
class ReadingConfiguration {
public:
    ReadingConfiguration() : hold_(configurationLock()) {}

private:
    std::shared_lock<std::shared_mutex> hold_;
};

// Held by an installer request for its whole duration.
class WritingConfiguration {
public:
    WritingConfiguration() : hold_(configurationLock()) {}

private:
    std::unique_lock<std::shared_mutex> hold_;
};

}  // namespace rireve
