// Installer requests: on Windows the installer library carries every one out;
// on Linux, where most drivers ship no setup library, the library carries out
// itself what the installer would hand to one. One implementation file per
// platform.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/status.h"
#include "platform/installer_library.h"
#include "platform/odbc_environment.h"

namespace rireve {

// Entries in order, as keys and values.
using Entries = std::vector<std::pair<std::string, std::string>>;

// Where a driver's setup library runs. The original calls run it in this
// process, through the installer, with the one-entry text; the others in a
// child process of the helper program (helper/), with the attribute list
// ConfigDSN defines, so that one that crashes, hangs or deadlocks ends only
// that process.
struct SetupIsolation {
    bool enabled = false;
    // How long the child may take; past it, it is killed and the request refused.
    std::chrono::milliseconds wait{30000};
    // Finds the helper program's path, or says why it cannot be had.
    std::function<Status(std::string& program)> findProgram;
};

struct RequestOptions {
    // How long a request waits for another process's lock on the file it
    // changes (Linux).
    std::chrono::milliseconds lockWait{30000};
    SetupIsolation setup;
};

// The system property that bounds the wait for another process's lock, in
// milliseconds (Linux; 30000 when not set).
inline constexpr char kLockTimeoutProperty[] = "com.nq.odbc.lockTimeoutMillis";

// The system property that bounds a setup library's time in its child
// process, in milliseconds (30000 when not set).
inline constexpr char kSetupTimeoutProperty[] = "com.nq.odbc.setupTimeoutMillis";

// Takes the property's text into `options`; fails, saying why, when it is not
// a number of milliseconds from 0 to a day.
Status takeLockTimeout(const std::string& text, RequestOptions& options);

// The same for the setup library's time, from 1 ms to a day.
Status takeSetupTimeout(const std::string& text, RequestOptions& options);

// A registration of the data source `name` with its entries (keys and values
// as the reader trims them), for the driver: the installer's
// SQLConfigDataSource with `text` (DSN=name;KEY=VALUE...) where it is called,
// and on Linux, for a driver without a setup library, the entries written
// as they are. `request` is ODBC_ADD_DSN or ODBC_ADD_SYS_DSN.
Status addDataSourceEntries(WORD request, LPCSTR driver, std::string_view name,
                            const std::vector<std::pair<std::string, std::string>>& entries, LPCSTR text,
                            const RequestOptions& options);

// The installer's SQLConfigDataSource(parent, request, driver, attributes),
// or why it refused or could not be reached.
Status configDataSource(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes,
                        const RequestOptions& options = RequestOptions());

}  // namespace rireve
