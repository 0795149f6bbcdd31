// Windows: every request goes to the installer library's SQLConfigDataSource.
#include "installer/installer.h"

namespace rireve {

Status configDataSource(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes, const RequestOptions&) {
    const InstallerProc proc = resolveInstallerProc("SQLConfigDataSource");
    if (!proc.bound()) return Status::failure(proc.reason("SQLConfigDataSource"));
    const auto configure = procAddress<ConfigDataSourceProc>(proc);
    if (configure(parent, request, driver, attributes)) return {};
    return Status::failure("the ODBC installer refused the request" + lastInstallerError());
}

}  // namespace rireve
