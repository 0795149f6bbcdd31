// The configuration's own files, as the driver manager reads them.
#pragma once

#include <vector>

#include "probe/diagnosis.h"

namespace rireve {

// A file that is there but that the driver manager cannot read, or reads
// nothing of, gets a "config.unread" error finding; true when one did.
// (On Windows the configuration is the registry's: nothing to find.)
bool checkConfigurationFiles(std::vector<Finding>& findings);

}  // namespace rireve
