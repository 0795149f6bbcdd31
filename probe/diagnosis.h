// A look at the whole configuration, loading nothing: each installed
// driver's library and setup library as the driver manager would find
// them, and each data source's driver.
#pragma once

#include <string>
#include <vector>

#include "platform/odbc_environment.h"

namespace rireve {

enum class Severity { error = 0, warning = 1, info = 2 };

// One finding: its code is stable (docs/api.md lists them), its subject the
// driver, data source or file it is about, its reason one line naming the
// file or entry, and the command or change that mends it (empty when none
// is needed).
struct Finding {
    Severity severity;
    std::string code;
    std::string subject;
    std::string reason;
    std::string mend;
};

// Everything that can be told of the configuration: a file that cannot be
// read is one finding, and every other finding is still made. Fails only
// when the driver manager cannot be used, or this program's own file read.
Outcome diagnoseConfiguration(std::vector<Finding>& findings);

// The same, leaving out the known findings: each of `ignored` is a code, or
// CODE:SUBJECT for that code about one subject alone.
Outcome diagnoseConfiguration(const std::vector<std::string>& ignored, std::vector<Finding>& findings);

// Whether one of `ignored` names the finding.
bool isIgnored(const Finding& finding, const std::vector<std::string>& ignored);

}  // namespace rireve
