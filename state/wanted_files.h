// Which file of the machine each part of a state is kept in, and what the
// state wants of each file.
#pragma once

#include <string>
#include <vector>

#include "base/status.h"
#include "state/file_plan.h"
#include "state/machine.h"
#include "state/wanted_state.h"

namespace rireve {

// The full path of each file data source the state names, in its order (a
// name without a folder is in the default one); each one's section is
// [ODBC] from here on.
Status resolveFilePaths(WantedState& state, std::vector<std::string>& paths);

// The files the state changes, or prunes, each with what it wants of it.
std::vector<FileWanted> wantedFiles(const WantedState& state, const std::vector<std::string>& paths,
                                    const Machine& machine, bool prune);

}  // namespace rireve
