// Installer requests: on Windows the installer library carries every one out;
// on Linux, where most drivers ship no setup library, the library carries out
// itself what the installer would hand to one. One implementation file per
// platform.
#pragma once

#include "platform/installer_library.h"

namespace rireve {

// The installer's SQLConfigDataSource(parent, request, driver, attributes).
// FALSE when the installer refused, or could not be reached.
BOOL configDataSource(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes);

}  // namespace rireve
