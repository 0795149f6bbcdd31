// A request for a driver's setup library as it crosses to the helper
// program's child process and back: the parent writes it to the child's
// standard input after the line "setup", the child (helper/) carries it out
// (setup_call.h) and writes its answer to its standard output.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "base/status.h"
#include "installer/installer.h"
#include "platform/child_process.h"

namespace rireve {

// The first line of the helper's input for a setup request.
inline constexpr std::string_view kSetupRequestLine = "setup\n";

struct SetupRequest {
    std::string library;  // the setup library (Linux); on Windows the installer finds it
    WORD request = 0;     // ODBC_ADD_DSN, ODBC_REMOVE_SYS_DSN, ...
    std::string driver;
    std::string attributes;  // as composeAttributeList makes them
};

struct SetupAnswer {
    // none: the library has no ConfigDSN (or cannot be loaded), and this
    // library carries the request out itself.
    enum class Verdict { done, refused, none };
    Verdict verdict = Verdict::refused;
    std::string reason;  // a refusal's, in one line
};

// The attributes as ConfigDSN takes them: DSN=name, then KEY=VALUE for each
// entry, each ended by a NUL, the list ended by a second NUL.
std::string composeAttributeList(std::string_view name, const Entries& entries);

// The same of the installer's one-entry text DSN=name;KEY=VALUE;...
std::string attributeListOf(std::string_view text);

// The helper's input, its first line included.
std::string formatSetupRequest(const SetupRequest& request);
// The input after the first line; false when it is not a whole request.
bool parseSetupRequest(std::string_view input, SetupRequest& request);

std::string formatSetupAnswer(const SetupAnswer& answer);

// What the child's end says of the request: its answer, or, when it gave
// none (a crash, a hang, an exit before answering), why not in `status`,
// and `answered` false.
Status readSetupAnswer(const ChildEnd& end, const SetupRequest& request, std::chrono::milliseconds wait,
                       SetupAnswer& answer, bool& answered);

// Runs the request in the helper program's child process within the
// options' wait: the child's answer, or, when it gave none, why not in the
// status and `answered` false.
Status askChild(const SetupRequest& request, const RequestOptions& options, SetupAnswer& answer, bool& answered);

// The request carried out by the setup library in the child: true in `none`
// when it has no ConfigDSN, nothing was changed, and the caller carries the
// request out itself. On Linux every configuration file is taken before the
// child starts and put back byte for byte when it gave no answer (a crash or
// a hang). One implementation file per platform.
Status runSetupInChild(const SetupRequest& request, const RequestOptions& options, bool& none);

}  // namespace rireve
