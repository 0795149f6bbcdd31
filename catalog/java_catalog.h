// The catalogue's Java objects, built the same way whatever the listing reads
// from. The classes and methods are looked up once per call and passed down.
#pragma once

#include <jni.h>

#include <string_view>

#include "binding/java_objects.h"

namespace rireve {

// java.util.HashMap and its put method.
struct MapType {
    explicit MapType(JNIEnv* env);
    bool found() const { return put != nullptr; }

    JavaConstructor constructor;
    jmethodID put = nullptr;
};

// com.nq.odbc.ODBCDriver, with the map type its attributes need.
struct DriverType {
    explicit DriverType(JNIEnv* env)
        : constructor(env, javaclass::kDriver, javaclass::kDriverConstructor), map(env) {}
    bool found() const { return constructor.found() && map.found(); }

    JavaConstructor constructor;
    MapType map;
};

// A java.util.HashMap of the entries of an attribute list in the form
// SQLDrivers returns (catalog/attribute_list.h). Null with an exception
// pending when the VM fails.
jobject buildAttributeMap(JNIEnv* env, const MapType& type, std::string_view list);

// An ODBCDriver, or null with an exception pending.
jobject buildDriver(JNIEnv* env, const DriverType& type, std::string_view description, std::string_view attributeList);

// A DataSource with its driver (which may be null), or null with an exception
// pending.
jobject buildDataSource(JNIEnv* env, const JavaConstructor& type, std::string_view name, jobject driver);

}  // namespace rireve
