// Linux: a request waits for another process's lock as long as the system
// property says.
#include <string>

#include "binding/request_options.h"
#include "binding/system_property.h"

namespace rireve {

Status readRequestOptions(JNIEnv* env, RequestOptions& options) {
    std::string text;
    if (!readSystemProperty(env, kLockTimeoutProperty, text)) return {};
    return takeLockTimeout(text, options);
}

}  // namespace rireve
