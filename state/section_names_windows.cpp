// Windows: the installer's own names (odbccp32's ODBC.INI and ODBCINST.INI).
#include "base/text_rules.h"
#include "state/section_names.h"

namespace rireve {

std::string_view settingsSectionName() { return "ODBC"; }

std::string_view usageCountKeyName() { return "UsageCount"; }

bool isDriverManagerSection(std::string_view name) {
    return sameProfileName(name, "ODBC") || sameProfileName(name, "ODBC Data Sources");
}

}  // namespace rireve
