// The file name of the installer library, when a build names one of its own
// (installer_library_name_linux.cpp, defined by each build of the library,
// so that a test build can name one that does not exist); empty for the one
// that belongs to the driver manager (driver_manager.h).
#pragma once

namespace rireve {

extern const char kInstallerLibraryName[];

}  // namespace rireve
