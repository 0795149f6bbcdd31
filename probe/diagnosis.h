// A look at the whole configuration, loading nothing: each installed
// driver's library and setup library as the driver manager would find
// them, and each data source's driver.
#pragma once

#include <string>
#include <vector>

#include "platform/odbc_environment.h"

namespace rireve {

enum class Severity { error = 0, warning = 1, info = 2 };

// One finding: its code is stable (the README lists them), its subject the
// driver or data source it is about, its reason one line naming the file
// or entry.
struct Finding {
    Severity severity;
    std::string code;
    std::string subject;
    std::string reason;
};

Outcome diagnoseConfiguration(std::vector<Finding>& findings);

}  // namespace rireve
