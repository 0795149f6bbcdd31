// Windows: the data source's entries through the installer's profile
// functions, in the configuration mode of its scope.
#include "installer/data_source_entries.h"

#include "platform/installer_profile.h"

namespace rireve {

Status editDataSourceEntries(Scope scope, std::string_view name, const std::vector<EntryEdit>& edits,
                             const RequestOptions&) {
    InstallerProfile profile(scope == Scope::system ? ODBC_SYSTEM_DSN : ODBC_USER_DSN);
    const std::string section(name);
    std::vector<std::string> keys;
    Status status = profile.readKeys(section, keys);
    if (!status.ok()) return status;
    if (keys.empty()) {
        return Status::failure("no " + std::string(scope == Scope::system ? "system" : "user") +
                               " data source named " + section);
    }
    for (const EntryEdit& edit : edits) {
        status = profile.write(section, edit.key, edit.value ? edit.value->c_str() : nullptr);
        if (!status.ok()) return status;
    }
    return {};
}

}  // namespace rireve
