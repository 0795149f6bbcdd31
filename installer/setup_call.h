// The child's side of a setup request (setup_request.h): the driver's setup
// library called in this process, which is the helper's and no other. One
// implementation file per platform.
#pragma once

#include "installer/setup_request.h"

namespace rireve {

// Linux: loads the setup library and calls its ConfigDSN in the request's
// configuration mode, as unixODBC's SQLConfigDataSource would, but without
// the installer's lock around the call, so that a setup library may write
// through the installer's profile functions. Windows: the installer's
// SQLConfigDataSource, which loads the driver's setup DLL.
SetupAnswer callSetup(const SetupRequest& request);

}  // namespace rireve
