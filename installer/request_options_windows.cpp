// Windows: nothing is locked, so a request takes nothing from the VM.
#include "installer/request_options.h"

namespace rireve {

Status readRequestOptions(JNIEnv*, RequestOptions&) { return {}; }

}  // namespace rireve
