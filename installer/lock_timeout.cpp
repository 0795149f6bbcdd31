#include <cerrno>
#include <cstdlib>
#include <string>

#include "installer/installer.h"

namespace rireve {

Status takeLockTimeout(const std::string& text, RequestOptions& options) {
    char* end = nullptr;
    errno = 0;
    const long long millis = std::strtoll(text.c_str(), &end, 10);
    // A day at most, so that the deadline cannot overflow.
    constexpr long long kMostMillis = 24LL * 60 * 60 * 1000;
    if (text.empty() || *end != '\0' || errno != 0 || millis < 0 || millis > kMostMillis) {
        return Status::failure(std::string(kLockTimeoutProperty) + "=" + text +
                               " is not a number of milliseconds from 0 to " + std::to_string(kMostMillis));
    }
    options.lockWait = std::chrono::milliseconds(millis);
    return {};
}

}  // namespace rireve
