#include "platform/installer_library.h"

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

}  // namespace rireve
