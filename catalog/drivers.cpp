#include <sql.h>
#include <sqlext.h>

#include <cstring>

#include "binding/frame.h"
#include "binding/java_objects.h"
#include "binding/local_ref.h"
#include "binding/text.h"
#include "catalog/attribute_list.h"
#include "catalog/catalog.h"
#include "catalog/driver_entry.h"
#include "catalog/listing.h"

namespace rireve {
namespace {

bool putText(JNIEnv* env, jobject map, jmethodID put, std::string_view key, std::string_view value) {
    LocalRef<jstring> keyString(env, newJavaString(env, key.data(), key.size()));
    if (vmCallFailed(env, keyString.get())) return false;
    LocalRef<jstring> valueString(env, newJavaString(env, value.data(), value.size()));
    if (vmCallFailed(env, valueString.get())) return false;
    LocalRef<jobject> previous(env, env->CallObjectMethod(map, put, keyString.get(), valueString.get()));
    return !env->ExceptionCheck();
}

jobject buildDriver(JNIEnv* env, const JavaConstructor& driverType, const DriverEntry& entry) {
    LocalRef<jstring> description(env, newJavaString(env, entry.description));
    if (vmCallFailed(env, description.get())) return nullptr;
    LocalRef<jobject> attributes(env, buildAttributeMap(env, std::string_view(entry.attributes, sizeof entry.attributes)));
    if (vmCallFailed(env, attributes.get())) return nullptr;
    return driverType.create(env, description.get(), attributes.get());
}

}  // namespace

jobject buildAttributeMap(JNIEnv* env, std::string_view list) {
    JavaConstructor mapType(env, javaclass::kHashMap, javaclass::kHashMapConstructor);
    if (!mapType.found()) return nullptr;
    const jmethodID put = env->GetMethodID(mapType.type(), javaclass::kHashMapPut, javaclass::kHashMapPutSignature);
    if (vmCallFailed(env, put)) return nullptr;
    LocalRef<jobject> map(env, mapType.create(env));
    if (!map) return nullptr;
    bool stored = true;
    scanAttributeList(list, [&](std::string_view key, std::string_view value) {
        stored = putText(env, map.get(), put, key, value);
        return stored;
    });
    return stored ? map.release() : nullptr;
}

jobjectArray listDrivers(JNIEnv* env) {
    JavaConstructor driverType(env, javaclass::kDriver, javaclass::kDriverConstructor);
    if (!driverType.found()) return nullptr;
    return listEntries<DriverEntry>(env, driverType, [&](const DriverEntry& entry) {
        return buildDriver(env, driverType, entry);
    });
}

jobject lookupDriver(JNIEnv* env, const char* description) {
    JavaConstructor driverType(env, javaclass::kDriver, javaclass::kDriverConstructor);
    if (!driverType.found()) return nullptr;
    return lookupEntry<DriverEntry>(
        env,
        [&](const DriverEntry& entry) { return entry.describes(description); },
        [&](const DriverEntry& entry) { return buildDriver(env, driverType, entry); });
}

}  // namespace rireve
