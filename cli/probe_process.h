// The connection test's own process: ri-reve-probe, started with the
// request on its standard input and given up at a deadline. One
// implementation file per platform.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "base/status.h"

namespace rireve {

using Environment = std::vector<std::pair<std::string, std::string>>;

struct ProbeRun {
    bool timedOut = false;
    std::string report;  // what it wrote on its standard output
    int exitStatus = 0;  // as a shell reports it: 128 + the signal for one that ended it
};

// The probe program: the one RIREVE_PROBE names, else the one beside this program.
std::string probeProgram();

// Runs it with the request, the environment's variables added, until it
// ends or the deadline passes (then it is killed); fails when it cannot be
// started, saying why.
Status runProbe(const std::string& program, const std::string& request, const Environment& environment,
                std::chrono::steady_clock::time_point deadline, ProbeRun& run);

// Keeps the user's data sources out of the probe's sight, so that a system
// data source that a user one of the same name hides is the one tested;
// false where the driver manager cannot be told so (Windows), `why` saying so.
bool hideUserDataSources(Environment& environment, const std::string& name, std::string& why);

// How the probe's process ended, in words.
std::string describeExit(int exitStatus);

}  // namespace rireve
