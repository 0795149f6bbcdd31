#include "platform/installer_library_name_linux.h"

#ifndef RIREVE_INSTALLER_LIBRARY
#define RIREVE_INSTALLER_LIBRARY "libodbcinst.so.2"
#endif

namespace rireve {

const char kInstallerLibraryName[] = RIREVE_INSTALLER_LIBRARY;

}  // namespace rireve
