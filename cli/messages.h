// The messages the command line reports failures with: the library's own
// (com.nq.odbc.ODBC raises the same texts), each with whether it is a
// usage error (exit 2) or a refusal (exit 1).
#pragma once

#include <string>
#include <string_view>

#include "base/status.h"
#include "cli/output.h"
#include "platform/odbc_environment.h"

namespace rireve {

struct Message {
    const char* text;
    bool misuse;  // the request itself was invalid
};

namespace message {
inline constexpr Message kAllocateEnvironment{"Could not allocate ODBC environmental handle!", false};
inline constexpr Message kFreeEnvironment{"Could not free ODBC environmental handle!", false};
inline constexpr Message kReadConfiguration{"Could not read ODBC configuration!", false};
inline constexpr Message kRegisterRefused{"Error trying to register ODBC DataSource!", false};
inline constexpr Message kRemoveRefused{"Error trying to remove ODBC DataSource!", false};
inline constexpr Message kConfigureRefused{"Error trying to configure ODBC DataSource!", false};
inline constexpr Message kNameIsInvalid{"DataSource name is invalid!", true};
inline constexpr Message kAttributesTooLong{"DataSource attribute text is too long!", true};
inline constexpr Message kAttributesInvalid{"DataSource attribute text is invalid!", true};
inline constexpr Message kDiagnoseFailed{"Could not diagnose the ODBC configuration!", false};
inline constexpr Message kDriverNameIsInvalid{"Driver name is invalid!", true};
inline constexpr Message kInstallDriverRefused{"Error trying to install ODBC driver!", false};
inline constexpr Message kRemoveDriverRefused{"Error trying to remove ODBC driver!", false};
inline constexpr Message kConfigureDriverRefused{"Error trying to configure ODBC driver!", false};
inline constexpr Message kConfigureSettingsRefused{"Error trying to configure the ODBC driver manager!", false};
inline constexpr Message kFileDataSourceRefused{"Error trying to change ODBC file data source!", false};
inline constexpr Message kFileDataSourceUnreadable{"Could not read ODBC file data source!", false};
inline constexpr Message kStartTest{"Could not start the connection test!", false};
}  // namespace message

// Reports the message with the reason; the exit status.
int refuse(Output& out, const Message& message, std::string_view reason);

// Reports the failed step of an operation, if one failed: the driver
// manager's messages for its environment, `work` for the work done on it.
// True when it reported.
bool failed(Output& out, const Outcome& outcome, const Message& work, int& status);

}  // namespace rireve
