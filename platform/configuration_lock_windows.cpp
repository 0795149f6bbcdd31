// Windows: the installer keeps its own data consistent; listings and
// requests never wait for each other (an installer may show a dialog and
// wait for the user).
#include "platform/configuration_lock.h"

namespace rireve {

ReadingConfiguration::ReadingConfiguration() {}
ReadingConfiguration::~ReadingConfiguration() {}
WritingConfiguration::WritingConfiguration() {}
WritingConfiguration::~WritingConfiguration() {}

}  // namespace rireve
