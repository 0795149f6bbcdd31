#include "cli/messages.h"

namespace rireve {

int refuse(Output& out, const Message& message, std::string_view reason) {
    return out.fail(message.text, reason, isMisuse(message) ? kUsage : kRefused);
}

bool failed(Output& out, const Outcome& outcome, const Message& work, int& status) {
    switch (outcome.step) {
        case Step::none: return false;
        case Step::allocate: status = refuse(out, message::kAllocateEnvironment, outcome.status.reason()); break;
        case Step::release: status = refuse(out, message::kFreeEnvironment, outcome.status.reason()); break;
        case Step::work: status = refuse(out, work, outcome.status.reason()); break;
    }
    return true;
}

}  // namespace rireve
