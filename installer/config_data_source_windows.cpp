// Windows: every request goes to the installer library's SQLConfigDataSource.
#include "installer/installer.h"
#include "platform/installer_library.h"

namespace rireve {

BOOL configDataSource(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes) {
    const auto configure = resolveInstallerProc<ConfigDataSourceProc>("SQLConfigDataSource");
    if (configure == nullptr) return FALSE;
    return configure(parent, request, driver, attributes);
}

}  // namespace rireve
