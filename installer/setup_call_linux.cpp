#include <dlfcn.h>
#include <sqlext.h>

#include "installer/setup_call.h"

namespace rireve {
namespace {

using SetConfigModeProc = BOOL(INSTAPI*)(UWORD);

struct SetupLibrary {
    void* module = nullptr;
    explicit SetupLibrary(const std::string& path) : module(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~SetupLibrary() {
        if (module != nullptr) dlclose(module);
    }
    SetupLibrary(const SetupLibrary&) = delete;
    SetupLibrary& operator=(const SetupLibrary&) = delete;
};

// The configuration mode the request's scope needs, and the request as
// ConfigDSN knows it (unixODBC hands it the user form of a system request).
UWORD modeOf(WORD& request) {
    switch (request) {
        case ODBC_ADD_SYS_DSN: request = ODBC_ADD_DSN; return ODBC_SYSTEM_DSN;
        case ODBC_CONFIG_SYS_DSN: request = ODBC_CONFIG_DSN; return ODBC_SYSTEM_DSN;
        case ODBC_REMOVE_SYS_DSN: request = ODBC_REMOVE_DSN; return ODBC_SYSTEM_DSN;
        default: return ODBC_USER_DSN;
    }
}

void setConfigMode(UWORD mode) {
    const InstallerProc proc = findInstallerProc("SQLSetConfigMode");
    if (proc.bound()) procAddress<SetConfigModeProc>(proc)(mode);
}

}  // namespace

SetupAnswer callSetup(const SetupRequest& request) {
    // unixODBC hands a request to no setup library it cannot load or that has
    // no ConfigDSN: this library then carries it out itself.
    const SetupLibrary library(request.library);
    if (library.module == nullptr) return {SetupAnswer::Verdict::none, {}};
    const auto configure = reinterpret_cast<ConfigDataSourceProc>(dlsym(library.module, "ConfigDSN"));
    if (configure == nullptr) return {SetupAnswer::Verdict::none, {}};
    WORD code = request.request;
    setConfigMode(modeOf(code));
    const BOOL done = configure(nullptr, code, request.driver.c_str(), request.attributes.c_str());
    setConfigMode(ODBC_BOTH_DSN);
    if (done) return {SetupAnswer::Verdict::done, {}};
    return {SetupAnswer::Verdict::refused,
            "the driver's setup library " + request.library + " refused the request" + lastInstallerError()};
}

}  // namespace rireve
