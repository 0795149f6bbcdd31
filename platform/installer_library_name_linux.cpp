#include "platform/installer_library_name_linux.h"

#ifndef RIREVE_INSTALLER_LIBRARY
#define RIREVE_INSTALLER_LIBRARY ""
#endif

namespace rireve {

const char kInstallerLibraryName[] = RIREVE_INSTALLER_LIBRARY;

}  // namespace rireve
