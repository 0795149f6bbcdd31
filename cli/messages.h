// Failures as the command line reports them: the library's messages
// (base/messages.h), a usage error (exit 2) or a refusal (exit 1) by their kind.
#pragma once

#include <string>
#include <string_view>

#include "base/messages.h"
#include "base/status.h"
#include "cli/output.h"
#include "platform/odbc_environment.h"

namespace rireve {


// Reports the message with the reason; the exit status.
int refuse(Output& out, const Message& message, std::string_view reason);

// Reports the failed step of an operation, if one failed: the driver
// manager's messages for its environment, `work` for the work done on it.
// True when it reported.
bool failed(Output& out, const Outcome& outcome, const Message& work, int& status);

}  // namespace rireve
