// Windows: every request goes to the installer library's SQLConfigDataSource,
// which sets the installer's configuration mode for the request's scope and
// resets it after: the profile functions' readers wait meanwhile.
#include "installer/installer.h"
#include "platform/installer_profile.h"

namespace rireve {

Status configDataSource(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes, const RequestOptions&) {
    const InstallerProc proc = resolveInstallerProc("SQLConfigDataSource");
    if (!proc.bound()) return Status::failure(proc.reason("SQLConfigDataSource"));
    const auto configure = procAddress<ConfigDataSourceProc>(proc);
    const auto turn = InstallerProfile::takeModeTurn();
    if (configure(parent, request, driver, attributes)) return {};
    return Status::failure("the ODBC installer refused the request" + lastInstallerError());
}

Status addDataSourceEntries(WORD request, LPCSTR driver, std::string_view, const std::vector<std::pair<std::string, std::string>>&,
                            LPCSTR text, const RequestOptions& options) {
    return configDataSource(nullptr, request, driver, text, options);
}

}  // namespace rireve
