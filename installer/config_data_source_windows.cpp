// Windows: every request goes to the installer library's SQLConfigDataSource,
// which sets the installer's configuration mode for the request's scope and
// resets it after: the profile functions' readers wait meanwhile. The calls
// beside the original ones make it in the helper's child process, where the
// driver's setup DLL is loaded, with ConfigDSN's attribute list.
#include "installer/installer.h"
#include "installer/setup_request.h"
#include "platform/installer_profile.h"

namespace rireve {
namespace {

Status configureInChild(WORD request, LPCSTR driver, std::string list, const RequestOptions& options) {
    bool none = false;
    return runSetupInChild({std::string(), request, driver, std::move(list)}, options, none);
}

}  // namespace

Status configDataSource(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes, const RequestOptions& options) {
    if (options.setup.enabled) return configureInChild(request, driver, attributeListOf(attributes), options);
    const InstallerProc proc = resolveInstallerProc("SQLConfigDataSource");
    if (!proc.bound()) return Status::failure(proc.reason("SQLConfigDataSource"));
    const auto configure = procAddress<ConfigDataSourceProc>(proc);
    const auto turn = InstallerProfile::takeModeTurn();
    if (configure(parent, request, driver, attributes)) return {};
    return Status::failure("the ODBC installer refused the request" + lastInstallerError());
}

Status addDataSourceEntries(WORD request, LPCSTR driver, std::string_view name,
                            const std::vector<std::pair<std::string, std::string>>& entries, LPCSTR,
                            const RequestOptions& options) {
    // The installer's own form of the entries, a NUL after each: the one-entry
    // text is the original natives' alone.
    const std::string attributes = composeAttributeList(name, entries);
    if (options.setup.enabled) return configureInChild(request, driver, attributes, options);
    return configDataSource(nullptr, request, driver, attributes.c_str(), options);
}

}  // namespace rireve
