// What the probe's process does about its own life, per platform.
#pragma once

namespace rireve {

// Binary standard streams; on Linux, ended with its parent.
void prepareChild();

// Ends the process a little after the test's timeout, should its parent
// not have done so.
void limitChild(unsigned timeoutSeconds);

}  // namespace rireve
