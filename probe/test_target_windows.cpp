#include "probe/test_target.h"

namespace rireve {

// The driver manager always looks in the user's scope first, and no
// variable points it elsewhere.
bool canHideUserDataSources() { return false; }

}  // namespace rireve
