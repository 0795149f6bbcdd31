// What the configuration says of a data source about to be tested, before
// the driver manager is called: whether there is one of that name, and
// whether its driver is installed. Every front end tests by it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "catalog/scope.h"
#include "platform/odbc_environment.h"

namespace rireve {

enum class TestVerdict { ready = 0, notFound = 1, driverNotInstalled = 2 };

struct TestTarget {
    TestVerdict verdict = TestVerdict::ready;
    std::string reason;   // why it is not ready
    std::string driver;   // the driver the data source names
    // A system data source that a user one of the same name hides: the test
    // must keep the user's file out of the driver manager's sight.
    bool hideUserDataSources = false;
};

// Looks the data source up as the driver manager would (the user's, then
// the system's; or in `scope` alone). Fails only when the configuration
// cannot be read.
Outcome findTestTarget(std::string_view name, std::optional<Scope> scope, TestTarget& target);

// Whether this platform's driver manager can be kept from the user's data
// sources for one test (Linux: unixODBC's ODBCINI pointed elsewhere).
bool canHideUserDataSources();

}  // namespace rireve
