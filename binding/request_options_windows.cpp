// Windows: nothing is locked, so a request takes nothing from the VM.
#include "binding/request_options.h"

namespace rireve {

Status readRequestOptions(JNIEnv*, RequestOptions&) { return {}; }

}  // namespace rireve
