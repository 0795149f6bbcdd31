// Serialises this process's installer requests against each other and
// against its listings, where the platform needs it: on Linux a driver's
// setup library rewrites whole profile files in place, so a listing taken
// meanwhile could see a half-written file. One implementation file per
// platform; on Windows nothing is locked and no listing ever waits.
//
// A request waits only for the listings already running: listings that
// start after it wait for it, so a stream of listings cannot starve it.
#pragma once

namespace rireve {

// Held by a listing or a read-back, at the outermost call only.
class ReadingConfiguration {
public:
    ReadingConfiguration();
    ~ReadingConfiguration();
    ReadingConfiguration(const ReadingConfiguration&) = delete;
    ReadingConfiguration& operator=(const ReadingConfiguration&) = delete;
};

// Held by an installer request for its whole duration.
class WritingConfiguration {
public:
    WritingConfiguration();
    ~WritingConfiguration();
    WritingConfiguration(const WritingConfiguration&) = delete;
    WritingConfiguration& operator=(const WritingConfiguration&) = delete;
};

}  // namespace rireve
