#include "platform/ini_reader_linux.h"

namespace rireve {
namespace {

template <typename Proc>
bool bind(Proc& slot, const char* name, std::string& reason) {
    const InstallerProc proc = findInstallerProc(name);
    if (!proc.bound()) {
        reason = proc.reason(name);
        return false;
    }
    slot = reinterpret_cast<Proc>(proc.address);
    return true;
}

}  // namespace

bool bindIniReader(IniReader& reader, std::string& reason) {
    return bind(reader.open, "iniOpen", reason) && bind(reader.close, "iniClose", reason) &&
           bind(reader.firstObject, "iniObjectFirst", reason) && bind(reader.nextObject, "iniObjectNext", reason) &&
           bind(reader.objectsEnd, "iniObjectEOL", reason) && bind(reader.object, "iniObject", reason) &&
           bind(reader.firstProperty, "iniPropertyFirst", reason) &&
           bind(reader.nextProperty, "iniPropertyNext", reason) &&
           bind(reader.propertiesEnd, "iniPropertyEOL", reason) && bind(reader.property, "iniProperty", reason) &&
           bind(reader.value, "iniValue", reason) && bind(reader.userFile, "_odbcinst_UserINI", reason) &&
           bind(reader.systemFile, "_odbcinst_SystemINI", reason) &&
           bind(reader.driverFolder, "odbcinst_system_file_path", reason) &&
           bind(reader.driverFile, "odbcinst_system_file_name", reason) &&
           bind(reader.userDriverFolder, "odbcinst_user_file_path", reason) &&
           bind(reader.userDriverFile, "odbcinst_user_file_name", reason);
}

}  // namespace rireve
