// The catalogue's records as Java objects, built the same way on every
// platform, whatever the listing read them from. Each function lists on an
// environment of its own and raises the failure of the step that failed:
// null with an exception pending.
#pragma once

#include <jni.h>

#include <string_view>

#include "catalog/scope.h"

namespace rireve {

// ODBCDriver[] of every installed driver.
jobjectArray javaDrivers(JNIEnv* env);

// The record of every installed driver (ODBCDriver.listed reads it).
jcharArray javaDriversRecord(JNIEnv* env);
// DataSource[] of every configured data source, user and system.
jobjectArray javaDataSources(JNIEnv* env);

// The record of the same (DataSource.listed reads it).
jcharArray javaDataSourcesRecord(JNIEnv* env);
// The first data source whose name has exactly these bytes, or null. Null is
// also the answer after a failure; the pending exception tells them apart.
jobject javaDataSource(JNIEnv* env, std::string_view name);

// The record of the data sources with scope, driver name and entries, of
// the scopes covered (DataSource.list reads it).
jcharArray javaScopedDataSources(JNIEnv* env, int scopes);

// The record of the data source of that name (letter case ignored) in that
// scope: a listing of it alone, or of none.
jcharArray javaScopedDataSource(JNIEnv* env, std::string_view name, Scope scope);
// The data source a change was just made to, as the file lists it now; never
// none: one that another program has rewritten the file without since is
// raised as a refused configuration, saying so.
jcharArray javaChangedDataSource(JNIEnv* env, std::string_view name, Scope scope);

}  // namespace rireve
