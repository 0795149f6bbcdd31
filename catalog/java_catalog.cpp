#include "catalog/java_catalog.h"

#include "binding/local_ref.h"
#include "binding/text.h"
#include "catalog/attribute_list.h"

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

jstring newString(JNIEnv* env, std::string_view text) { return newJavaString(env, text.data(), text.size()); }

bool setText(JNIEnv* env, jobjectArray array, jsize index, std::string_view text, StringCache& shared, bool share) {
    LocalRef<jstring> made(env, nullptr);
    const jstring string = shared.find(text, made, share);
    if (vmCallFailed(env, string)) return false;
    env->SetObjectArrayElement(array, index, string);
    return !env->ExceptionCheck();
}

// Keys are shared; a value is, when another data source's key or driver has its text.
jobjectArray buildEntryArray(JNIEnv* env, jclass string, const std::vector<ProfileEntry>& entries,
                             StringCache& shared) {
    LocalRef<jobjectArray> array(env, env->NewObjectArray(static_cast<jsize>(2 * entries.size()), string, nullptr));
    if (vmCallFailed(env, array.get())) return nullptr;
    jsize index = 0;
    for (const ProfileEntry& entry : entries) {
        if (!setText(env, array.get(), index++, entry.key, shared, true) ||
            !setText(env, array.get(), index++, entry.value, shared, false)) {
            return nullptr;
        }
    }
    return array.release();
}

}  // namespace

StringCache::~StringCache() {
    for (const auto& cached : strings_) env_->DeleteLocalRef(cached.second);
}

jstring StringCache::find(std::string_view text, LocalRef<jstring>& made, bool share) {
    const auto cached = strings_.find(std::string(text));
    if (cached != strings_.end()) return cached->second;
    made.reset(newString(env_, text));
    if (!share || strings_.size() >= kCached || vmCallFailed(env_, made.get())) return made.get();
    const jstring kept = made.release();
    strings_.emplace(std::string(text), kept);
    return kept;
}

ScopedDataSourceType::ScopedDataSourceType(JNIEnv* env)
    : constructor(env, javaclass::kDataSource, javaclass::kScopedDataSourceConstructor), string(env, nullptr) {
    if (!constructor.found()) return;
    string.reset(env->FindClass(javaclass::kString));
    if (env->ExceptionCheck()) string.reset(nullptr);
}

jobject buildScopedDataSource(JNIEnv* env, const ScopedDataSourceType& type, const ScopedDataSource& source,
                              jobject driver, StringCache& shared) {
    LocalRef<jstring> name(env, newString(env, source.name));
    if (vmCallFailed(env, name.get())) return nullptr;
    LocalRef<jstring> madeDriverName(env, nullptr);
    const jstring driverName = shared.find(source.driverName, madeDriverName, true);
    if (vmCallFailed(env, driverName)) return nullptr;
    LocalRef<jobjectArray> entries(env, buildEntryArray(env, type.string.get(), *source.entries, shared));
    if (vmCallFailed(env, entries.get())) return nullptr;
    return type.constructor.create(env, name.get(), driver, driverName, static_cast<jint>(source.scope),
                                   entries.get());
}

MapType::MapType(JNIEnv* env) : constructor(env, javaclass::kHashMap, javaclass::kHashMapConstructor) {
    if (!constructor.found()) return;
    put = env->GetMethodID(constructor.type(), javaclass::kHashMapPut, javaclass::kHashMapPutSignature);
    if (env->ExceptionCheck()) put = nullptr;
}

jobject buildAttributeMap(JNIEnv* env, const MapType& type, std::string_view list) {
    LocalRef<jobject> map(env, type.constructor.create(env));
    if (!map) return nullptr;
    bool stored = true;
    scanAttributeList(list, [&](std::string_view key, std::string_view value) {
        stored = putText(env, map.get(), type.put, key, value);
        return stored;
    });
    return stored ? map.release() : nullptr;
}

jobject buildDriver(JNIEnv* env, const DriverType& type, std::string_view description, std::string_view attributeList) {
    LocalRef<jstring> name(env, newJavaString(env, description.data(), description.size()));
    if (vmCallFailed(env, name.get())) return nullptr;
    LocalRef<jobject> attributes(env, buildAttributeMap(env, type.map, attributeList));
    if (vmCallFailed(env, attributes.get())) return nullptr;
    return type.constructor.create(env, name.get(), attributes.get());
}

jobject buildDataSource(JNIEnv* env, const JavaConstructor& type, std::string_view name, jobject driver) {
    LocalRef<jstring> nameString(env, newJavaString(env, name.data(), name.size()));
    if (vmCallFailed(env, nameString.get())) return nullptr;
    return type.create(env, nameString.get(), driver);
}

}  // namespace rireve
