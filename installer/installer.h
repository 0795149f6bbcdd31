// Installer requests: on Windows the installer library carries every one out;
// on Linux, where most drivers ship no setup library, the library carries out
// itself what the installer would hand to one. One implementation file per
// platform.
#pragma once

#include <chrono>
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

struct RequestOptions {
    // How long a request waits for another process's lock on the file it
    // changes (Linux).
    std::chrono::milliseconds lockWait{30000};
};

// The system property that bounds the wait for another process's lock, in
// milliseconds (Linux; 30000 when not set).
inline constexpr char kLockTimeoutProperty[] = "com.nq.odbc.lockTimeoutMillis";

// Takes the property's text into `options`; fails, saying why, when it is not
// a number of milliseconds from 0 to a day.
Status takeLockTimeout(const std::string& text, RequestOptions& options);

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
