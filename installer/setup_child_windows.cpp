// Windows: the configuration is the registry's, which the installer changes
// key by key; nothing is taken or put back around the child.
#include "installer/setup_request.h"

namespace rireve {

Status runSetupInChild(const SetupRequest& request, const RequestOptions& options, bool& none) {
    none = false;
    SetupAnswer answer;
    bool answered = false;
    Status asked = askChild(request, options, answer, answered);
    if (!answered) return asked;
    none = answer.verdict == SetupAnswer::Verdict::none;
    if (answer.verdict == SetupAnswer::Verdict::refused) return Status::failure(answer.reason);
    return {};
}

}  // namespace rireve
