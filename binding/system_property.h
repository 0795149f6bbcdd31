// A Java system property, read through the VM.
#pragma once

#include <jni.h>

#include <string>

namespace rireve {

// True with the property's value in `value` when it is set; false when it is
// not, or when the VM failed (its exception is then pending).
bool readSystemProperty(JNIEnv* env, const char* name, std::string& value);

}  // namespace rireve
