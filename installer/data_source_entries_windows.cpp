// Windows: entries set through the installer's configuration request, as
// PowerShell's Set-OdbcDsn sets them, so that the driver's setup sees them;
// entries taken out through the installer's profile functions, in the
// configuration mode of the data source's scope.
#include "installer/data_source_entries.h"

#include <sqlext.h>

#include "catalog/data_source_entry.h"
#include "installer/attribute_text.h"
#include "platform/installer_profile.h"

namespace rireve {
namespace {

const char* scopeName(Scope scope) { return scope == Scope::system ? "system" : "user"; }

// The description of the driver the data source uses, as the driver
// manager lists the data sources of that scope.
Status findDriver(SQLHENV odbc, Scope scope, std::string_view name, std::string& driver) {
    DataSourceEntry entry(scope);
    while (entry.fetchNext(odbc)) {
        if (!sameProfileName(entry.nameText(), name)) continue;
        driver = std::string(entry.driverText());
        return {};
    }
    return Status::failure("no " + std::string(scopeName(scope)) + " data source named " + std::string(name));
}

// DSN=name and a ;KEY=VALUE pair for each entry set; `any` says whether there is one.
Status composeSettings(std::string_view name, const std::vector<EntryEdit>& edits, AttributeText& text,
                       bool& any) {
    any = false;
    text.append(name);
    for (const EntryEdit& edit : edits) {
        if (!edit.value) continue;
        if (edit.key.find(';') != std::string::npos || edit.value->find(';') != std::string::npos) {
            return Status::failure("the entry " + edit.key + " holds ;, which the installer's request cannot carry");
        }
        if (!text.append(";") || !text.append(edit.key) || !text.append("=") || !text.append(*edit.value)) {
            return Status::failure("DSN=name;entries would be longer than " + std::to_string(kMaxAttributeTextBytes) +
                                   " bytes");
        }
        any = true;
    }
    return {};
}

Status takeOut(Scope scope, std::string_view name, const std::vector<EntryEdit>& edits) {
    bool any = false;
    for (const EntryEdit& edit : edits) any = any || !edit.value;
    if (!any) return {};
    const InstallerProfile profile(scope == Scope::system ? ODBC_SYSTEM_DSN : ODBC_USER_DSN);
    for (const EntryEdit& edit : edits) {
        if (edit.value) continue;
        Status status = profile.write(std::string(name), edit.key, nullptr);
        if (!status.ok()) return status;
    }
    return profile.status();
}

}  // namespace

Status editDataSourceEntries(SQLHENV odbc, Scope scope, std::string_view name, const std::vector<EntryEdit>& edits,
                             const RequestOptions& options) {
    std::string driver;
    Status status = findDriver(odbc, scope, name, driver);
    if (!status.ok()) return status;
    AttributeText settings;
    bool anySet = false;
    status = composeSettings(name, edits, settings, anySet);
    if (!status.ok()) return status;
    const WORD request = scope == Scope::system ? ODBC_CONFIG_SYS_DSN : ODBC_CONFIG_DSN;
    if (anySet) status = configDataSource(nullptr, request, driver.c_str(), settings.bytes(), options);
    if (!status.ok()) return status;
    return takeOut(scope, name, edits);
}

}  // namespace rireve
