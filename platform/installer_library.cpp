#include "platform/installer_library.h"

#include "platform/odbc_environment.h"

namespace rireve {

std::string InstallerProc::reason(const char* name) const {
    switch (result) {
        case BindResult::bound: return {};
        case BindResult::libraryMissing: return "the ODBC installer library " + library + " cannot be loaded";
        case BindResult::entryMissing:
            return "the ODBC installer library " + library + " has no function " + std::string(name);
    }
    return {};
}

InstallerProc resolveInstallerProc(const char* name) {
    InstallerProc proc = findInstallerProc(name);
    if (!proc.bound()) tellInstallerUser(name, proc);
    return proc;
}

std::string lastInstallerError() {
    using InstallerErrorProc = RETCODE(INSTAPI*)(WORD, DWORD*, LPSTR, WORD, WORD*);
    const InstallerProc proc = findInstallerProc("SQLInstallerError");
    if (!proc.bound()) return {};
    DWORD code = 0;
    char message[512] = {};
    WORD length = 0;
    const RETCODE result = reinterpret_cast<InstallerErrorProc>(proc.address)(1, &code, message, sizeof message, &length);
    if (!odbcSucceeded(result)) return {};
    const std::string text(message);
    return (text.empty() ? std::string() : ": " + text) + " (installer error " + std::to_string(code) + ")";
}

}  // namespace rireve
