// Installer requests: on Windows the installer library carries every one out;
// on Linux, where most drivers ship no setup library, the library carries out
// itself what the installer would hand to one. One implementation file per
// platform.
#pragma once

#include <chrono>

#include "base/status.h"
#include "platform/installer_library.h"

namespace rireve {

struct RequestOptions {
    // How long a request waits for another process's lock on the file it
    // changes (Linux).
    std::chrono::milliseconds lockWait{30000};
};

// The installer's SQLConfigDataSource(parent, request, driver, attributes),
// or why it refused or could not be reached.
Status configDataSource(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes,
                        const RequestOptions& options = RequestOptions());

}  // namespace rireve
