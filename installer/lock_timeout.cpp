#include <cerrno>
#include <cstdlib>
#include <string>

#include "installer/installer.h"

namespace rireve {
namespace {

// A day at most, so that no deadline can overflow.
constexpr long long kMostMillis = 24LL * 60 * 60 * 1000;

Status takeMillis(const char* property, const std::string& text, long long least, std::chrono::milliseconds& taken) {
    char* end = nullptr;
    errno = 0;
    const long long millis = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || millis < least || millis > kMostMillis) {
        return Status::failure(std::string(property) + "=" + text + " is not a number of milliseconds from " +
                               std::to_string(least) + " to " + std::to_string(kMostMillis));
    }
    taken = std::chrono::milliseconds(millis);
    return {};
}

}  // namespace

Status takeLockTimeout(const std::string& text, RequestOptions& options) {
    return takeMillis(kLockTimeoutProperty, text, 0, options.lockWait);
}

Status takeSetupTimeout(const std::string& text, RequestOptions& options) {
    return takeMillis(kSetupTimeoutProperty, text, 1, options.setup.wait);
}

}  // namespace rireve
