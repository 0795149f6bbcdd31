#include "probe/test_target.h"

namespace rireve {

bool canHideUserDataSources() { return true; }

}  // namespace rireve
