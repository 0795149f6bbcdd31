// What a request takes from the VM besides its arguments. One implementation
// file per platform.
#pragma once

#include <jni.h>

#include "base/status.h"
#include "installer/installer.h"

namespace rireve {

// Fails when a property is set to something it cannot mean; on a VM failure
// its exception is pending too.
Status readRequestOptions(JNIEnv* env, RequestOptions& options);

}  // namespace rireve
