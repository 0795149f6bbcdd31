// One test of a connection: connect through the driver manager without a
// prompt, ask the driver and the DBMS who they are, disconnect. What the
// driver manager and the driver said is kept whole, in order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/odbc_environment.h"

namespace rireve {

struct DiagnosticRecord {
    std::string state;  // SQLSTATE, five characters
    long nativeError = 0;
    std::string message;
};

struct ConnectionReport {
    bool connected = false;
    std::string driverName;
    std::string driverVersion;
    std::string dbmsName;
    std::string dbmsVersion;
    std::vector<DiagnosticRecord> diagnostics;
};

// Connects with `connectionString`, the login timeout set to
// `timeoutSeconds` (0: the driver's own). A refused connection is a report
// that says so; the outcome fails only when the driver manager itself cannot
// be used (no environment or connection handle).
Outcome probeConnection(std::string_view connectionString, unsigned timeoutSeconds, ConnectionReport& report);

}  // namespace rireve
