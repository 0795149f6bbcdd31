// The machine's configuration as a state document.
#pragma once

#include "state/machine.h"
#include "state/state.h"

namespace rireve {

// Every driver, data source, setting and file data source of the default
// folder that a state can name (a name or an entry the state's rules
// refuse is left out, as is a driver's usage count), in the files' order;
// secret keys' values as {"redacted": true} unless `reveal`.
StateDocument exportMachine(const Machine& machine, bool reveal);

}  // namespace rireve
