#include "probe/configuration_files.h"

namespace rireve {

bool checkConfigurationFiles(std::vector<Finding>&) { return false; }

}  // namespace rireve
