#include "base/text_rules.h"
#include "platform/driver_manager.h"
#include "state/section_names.h"

namespace rireve {

std::string_view settingsSectionName() { return driverManager().settingsSection; }

std::string_view usageCountKeyName() { return driverManager().usageCountKey; }

bool isDriverManagerSection(std::string_view name) {
    return sameProfileName(name, driverManager().settingsSection) || sameProfileName(name, driverManager().dataSourceIndex);
}

}  // namespace rireve
