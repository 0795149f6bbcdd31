// The catalogue's Java objects, built the same way whatever the listing reads
// from. The classes and methods are looked up once per call and passed down.
#pragma once

#include <jni.h>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "binding/java_objects.h"
#include "catalog/scope.h"
#include "profile/profile.h"

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

// com.nq.odbc.DataSource's constructor with scope and entries, and
// java.lang.String for the entries' array.
struct ScopedDataSourceType {
    explicit ScopedDataSourceType(JNIEnv* env);
    bool found() const { return constructor.found() && string; }

    JavaConstructor constructor;
    LocalRef<jclass> string;
};

// Java strings of the texts that data sources share (their keys, the names
// of their drivers), made once per listing for the first kCached texts seen
// and held until the listing ends.
class StringCache {
public:
    static constexpr std::size_t kCached = 64;

    explicit StringCache(JNIEnv* env) : env_(env) {}
    ~StringCache();
    StringCache(const StringCache&) = delete;
    StringCache& operator=(const StringCache&) = delete;

    // The text's string: the cached one, or a new one left in `made`, which
    // is cached when `share` and there is room. Null with an exception pending
    // when the VM fails.
    jstring find(std::string_view text, LocalRef<jstring>& made, bool share);

private:
    JNIEnv* env_;
    std::unordered_map<std::string, jstring> strings_;
};

// What the scoped listing shows of one data source besides its driver object.
struct ScopedDataSource {
    std::string_view name;
    std::string_view driverName;  // the description its Driver entry names
    Scope scope;
    const std::vector<ProfileEntry>* entries;
};

// A DataSource with its scope, driver name and entries (keys and values by
// turns, in their order), or null with an exception pending.
jobject buildScopedDataSource(JNIEnv* env, const ScopedDataSourceType& type, const ScopedDataSource& source,
                              jobject driver, StringCache& shared);

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
