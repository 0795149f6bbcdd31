// The file name of unixODBC's installer library. It is defined by each build
// of the library (installer_library_name_linux.cpp), so that a test build can
// name one that does not exist.
#pragma once

namespace rireve {

extern const char kInstallerLibraryName[];

}  // namespace rireve
