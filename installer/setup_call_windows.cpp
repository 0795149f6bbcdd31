#include "installer/setup_call.h"

namespace rireve {

SetupAnswer callSetup(const SetupRequest& request) {
    const InstallerProc proc = findInstallerProc("SQLConfigDataSource");
    if (!proc.bound()) return {SetupAnswer::Verdict::refused, proc.reason("SQLConfigDataSource")};
    const auto configure = procAddress<ConfigDataSourceProc>(proc);
    if (configure(nullptr, request.request, request.driver.c_str(), request.attributes.c_str())) {
        return {SetupAnswer::Verdict::done, {}};
    }
    return {SetupAnswer::Verdict::refused, "the ODBC installer refused the request" + lastInstallerError()};
}

}  // namespace rireve
