// Registration and removal of user data sources through the installer.
#pragma once

#include <jni.h>

namespace rireve {

// Adds the data source and reads it back from the driver manager: the new
// DataSource, or null when the driver manager does not list it under exactly
// that name. Null with an exception pending on failure.
jobject registerDataSource(JNIEnv* env, jstring name, jstring driver, jstring attributes);

// True once the data source is removed; false with an exception pending.
bool unregisterDataSource(JNIEnv* env, jstring name, jstring driver);

}  // namespace rireve
