// The driver manager's catalogue: installed drivers and configured data
// sources, listed or looked up one by one, as Java objects.
//
// Every function opens, walks and frees an ODBC environment of its own. On
// failure they return null with a Java exception pending.
#pragma once

#include <jni.h>

#include <string_view>

namespace rireve {

// ODBCDriver[] of every installed driver.
jobjectArray listDrivers(JNIEnv* env);

// DataSource[] of every configured data source, user and system.
jobjectArray listDataSources(JNIEnv* env);

// The first driver whose description has exactly these bytes, or null. Null
// is also the answer after a failure; the pending exception tells them apart.
jobject lookupDriver(JNIEnv* env, const char* description);

// The first data source whose name has exactly these bytes, or null, as
// lookupDriver.
jobject lookupDataSource(JNIEnv* env, const char* name);

// A java.util.HashMap of the entries of an attribute list of at most
// kTextBufferSize bytes.
jobject buildAttributeMap(JNIEnv* env, std::string_view list);

}  // namespace rireve
