// The catalogue: installed drivers and configured data sources, as Java
// objects. On Linux it is read straight from the configuration files
// (files_catalog_linux.cpp); on Windows the driver manager lists it
// (driver_manager_catalog.cpp).
//
// Every function opens and frees an ODBC environment of its own, so that the
// driver manager's failures keep their messages. On failure they return null
// with a Java exception pending.
#pragma once

#include <jni.h>

#include "catalog/scope.h"

namespace rireve {

// ODBCDriver[] of every installed driver.
jobjectArray listDrivers(JNIEnv* env);

// DataSource[] of every configured data source, user and system.
jobjectArray listDataSources(JNIEnv* env);

// The first data source whose name has exactly these bytes, or null. Null is
// also the answer after a failure; the pending exception tells them apart.
jobject lookupDataSource(JNIEnv* env, const char* name);

// DataSource[] with scope, driver name and entries: the user data sources
// when `scopes` covers the user's, then the system ones, also those that a
// user data source of the same name hides from the driver manager.
jobjectArray listScopedDataSources(JNIEnv* env, int scopes);

// The data source of that name (letter case ignored) in that scope, as the
// scoped listing builds it, or null (see lookupDataSource).
jobject lookupScopedDataSource(JNIEnv* env, const char* name, Scope scope);

}  // namespace rireve
