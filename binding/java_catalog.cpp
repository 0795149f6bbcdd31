#include "binding/java_catalog.h"

#include <algorithm>
#include <string>
#include <vector>

#include "binding/frame.h"
#include "binding/java_objects.h"
#include "binding/local_ref.h"
#include "binding/platform_text.h"
#include "binding/text.h"
#include "catalog/catalog.h"

namespace rireve {
namespace {

jstring newString(JNIEnv* env, std::string_view text) { return newJavaString(env, text.data(), text.size()); }

// java.util.HashMap and its put method.
struct MapType {
    explicit MapType(JNIEnv* env) : constructor(env, javaclass::kHashMap, javaclass::kHashMapConstructor) {
        if (!constructor.found()) return;
        put = env->GetMethodID(constructor.type(), javaclass::kHashMapPut, javaclass::kHashMapPutSignature);
        if (env->ExceptionCheck()) put = nullptr;
    }
    bool found() const { return put != nullptr; }

    JavaConstructor constructor;
    jmethodID put = nullptr;
};

// com.nq.odbc.ODBCDriver, with the map type its attributes need.
struct DriverType {
    explicit DriverType(JNIEnv* env) : constructor(env, javaclass::kDriver, javaclass::kDriverConstructor), map(env) {}
    bool found() const { return constructor.found() && map.found(); }

    JavaConstructor constructor;
    MapType map;
};

bool putText(JNIEnv* env, jobject map, jmethodID put, const Pair& pair) {
    LocalRef<jstring> key(env, newString(env, pair.key));
    if (vmCallFailed(env, key.get())) return false;
    LocalRef<jstring> value(env, newString(env, pair.value));
    if (vmCallFailed(env, value.get())) return false;
    LocalRef<jobject> previous(env, env->CallObjectMethod(map, put, key.get(), value.get()));
    return !env->ExceptionCheck();
}

// A java.util.HashMap of the pairs, a later key replacing an earlier one.
jobject buildAttributeMap(JNIEnv* env, const MapType& type, const std::vector<Pair>& pairs) {
    LocalRef<jobject> map(env, type.constructor.create(env));
    if (!map) return nullptr;
    for (const Pair& pair : pairs) {
        if (!putText(env, map.get(), type.put, pair)) return nullptr;
    }
    return map.release();
}

// An ODBCDriver, or null with an exception pending.
jobject buildDriver(JNIEnv* env, const DriverType& type, const DriverRecord& driver) {
    LocalRef<jstring> description(env, newString(env, driver.description));
    if (vmCallFailed(env, description.get())) return nullptr;
    LocalRef<jobject> attributes(env, buildAttributeMap(env, type.map, driver.attributes));
    if (vmCallFailed(env, attributes.get())) return nullptr;
    return type.constructor.create(env, description.get(), attributes.get());
}

// An array of the records' objects; a vanished record leaves its element
// null. Null with an exception pending when the VM fails.
template <typename Record, typename Build>
jobjectArray buildArray(JNIEnv* env, jclass type, const std::vector<Record>& records, Build build) {
    LocalRef<jobjectArray> array(env, env->NewObjectArray(static_cast<jsize>(records.size()), type, nullptr));
    if (vmCallFailed(env, array.get())) return nullptr;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].vanished) continue;
        LocalRef<jobject> element(env, build(records[i], i));
        if (vmCallFailed(env, element.get())) return nullptr;
        env->SetObjectArrayElement(array.get(), static_cast<jsize>(i), element.get());
        if (env->ExceptionCheck()) return nullptr;
    }
    return array.release();
}

// The records of a listing, or a failure raised with its step's message.
template <typename List>
bool read(JNIEnv* env, Catalog& catalog, List list) {
    return !raiseFailure(env, list(catalog), message::kReadConfiguration);
}

// The driver object of each driver that a data source uses, the others null.
jobjectArray buildDriverPrototypes(JNIEnv* env, const Catalog& catalog) {
    DriverType type(env);
    if (!type.found()) return nullptr;
    std::vector<bool> used(catalog.drivers.size());
    for (const DataSourceRecord& source : catalog.dataSources) {
        if (source.driver != kNoDriver) used[source.driver] = true;
    }
    LocalRef<jobjectArray> prototypes(
        env, env->NewObjectArray(static_cast<jsize>(catalog.drivers.size()), type.constructor.type(), nullptr));
    if (vmCallFailed(env, prototypes.get())) return nullptr;
    for (std::size_t i = 0; i < used.size(); ++i) {
        if (!used[i]) continue;
        LocalRef<jobject> driver(env, buildDriver(env, type, catalog.drivers[i]));
        if (vmCallFailed(env, driver.get())) return nullptr;
        env->SetObjectArrayElement(prototypes.get(), static_cast<jsize>(i), driver.get());
        if (env->ExceptionCheck()) return nullptr;
    }
    return prototypes.release();
}

// What DataSource.listed assembles the data sources from: their texts as
// UTF-16 units end to end (each decoded as a single string would be), where
// each ends, and for each data source its driver's index (and, in a scoped
// listing, its scope and its number of entries). The texts of a data source
// are its name (then, scoped, its driver's name and its keys and values by
// turns).
struct ListedParts {
    std::vector<jint> ends;
    std::vector<jint> layout;
};

constexpr jint kNoDriverIndex = -1;   // DataSource.NO_DRIVER
constexpr jint kVanishedIndex = -2;   // DataSource.VANISHED

// As newJavaString takes a text: up to a NUL, at most a text buffer's size.
std::string_view asSingleString(std::string_view text) {
    return text.substr(0, std::min({text.size(), text.find('\0'), kTextBufferSize}));
}

std::size_t textBytes(const DataSourceRecord& source, bool scoped) {
    std::size_t bytes = source.name.size();
    if (!scoped) return bytes;
    bytes += source.driverName.size();
    for (const Pair& entry : source.entries) bytes += entry.key.size() + entry.value.size();
    return bytes;
}

void appendText(ListedParts& parts, char16_t* units, std::size_t& used, std::string_view text) {
    used += decodePlatformText(asSingleString(text), units + used);
    parts.ends.push_back(static_cast<jint>(used));
}

// Decodes the texts straight into `units`, which has room for a unit per
// byte (decoding never makes more).
ListedParts listedParts(const Catalog& catalog, bool scoped, char16_t* units) {
    ListedParts parts;
    parts.layout.reserve(catalog.dataSources.size() * (scoped ? 3 : 1));
    std::size_t used = 0;
    for (const DataSourceRecord& source : catalog.dataSources) {
        parts.layout.push_back(source.vanished ? kVanishedIndex
                               : source.driver == kNoDriver ? kNoDriverIndex
                                                            : static_cast<jint>(source.driver));
        if (source.vanished) {
            if (scoped) parts.layout.insert(parts.layout.end(), {0, 0});
            continue;
        }
        appendText(parts, units, used, source.name);
        if (!scoped) continue;
        parts.layout.push_back(static_cast<jint>(source.scope.value_or(Scope::user)));
        parts.layout.push_back(static_cast<jint>(source.entries.size()));
        appendText(parts, units, used, source.driverName);
        for (const Pair& entry : source.entries) {
            appendText(parts, units, used, entry.key);
            appendText(parts, units, used, entry.value);
        }
    }
    return parts;
}

// The texts' array, decoded in place (no JNI call while the VM holds it
// still), and the rest of the parts.
jcharArray buildTexts(JNIEnv* env, const Catalog& catalog, bool scoped, ListedParts& parts) {
    std::size_t bytes = 0;
    for (const DataSourceRecord& source : catalog.dataSources) bytes += textBytes(source, scoped);
    jcharArray texts = env->NewCharArray(static_cast<jsize>(bytes));
    if (vmCallFailed(env, texts)) return nullptr;
    void* units = env->GetPrimitiveArrayCritical(texts, nullptr);
    if (units == nullptr) {
        env->DeleteLocalRef(texts);
        return nullptr;
    }
    parts = listedParts(catalog, scoped, static_cast<char16_t*>(units));
    env->ReleasePrimitiveArrayCritical(texts, units, 0);
    return texts;
}

jobject newIntArray(JNIEnv* env, const std::vector<jint>& numbers) {
    jintArray array = env->NewIntArray(static_cast<jsize>(numbers.size()));
    if (vmCallFailed(env, array)) return nullptr;
    env->SetIntArrayRegion(array, 0, static_cast<jsize>(numbers.size()), numbers.data());
    return array;
}

// A listing in a few calls across the JNI, however many data sources there
// are; the VM makes their objects.
jobjectArray assembleDataSources(JNIEnv* env, const Catalog& catalog, bool scoped) {
    JavaConstructor type(env, javaclass::kDataSource,
                         scoped ? javaclass::kScopedDataSourceConstructor : javaclass::kDataSourceConstructor);
    if (!type.found()) return nullptr;
    const jmethodID listed = env->GetStaticMethodID(type.type(), javaclass::kDataSourceListed,
                                                    javaclass::kDataSourceListedSignature);
    if (vmCallFailed(env, listed)) return nullptr;
    LocalRef<jobjectArray> prototypes(env, buildDriverPrototypes(env, catalog));
    if (vmCallFailed(env, prototypes.get())) return nullptr;
    ListedParts parts;
    LocalRef<jobject> texts(env, buildTexts(env, catalog, scoped, parts));
    if (vmCallFailed(env, texts.get())) return nullptr;
    LocalRef<jobject> ends(env, newIntArray(env, parts.ends));
    if (vmCallFailed(env, ends.get())) return nullptr;
    LocalRef<jobject> layout(env, newIntArray(env, parts.layout));
    if (vmCallFailed(env, layout.get())) return nullptr;
    jobject array = env->CallStaticObjectMethod(type.type(), listed, texts.get(), ends.get(), layout.get(),
                                                prototypes.get(), scoped ? JNI_TRUE : JNI_FALSE);
    if (!env->ExceptionCheck()) return static_cast<jobjectArray>(array);
    if (array != nullptr) env->DeleteLocalRef(array);
    return nullptr;
}

// A lookup's one data source, made as a listing's are; null when there is none.
jobject firstDataSource(JNIEnv* env, const Catalog& catalog, bool scoped) {
    LocalRef<jobjectArray> listed(env, assembleDataSources(env, catalog, scoped));
    if (vmCallFailed(env, listed.get()) || catalog.dataSources.empty()) return nullptr;
    jobject first = env->GetObjectArrayElement(listed.get(), 0);
    return env->ExceptionCheck() ? nullptr : first;
}

}  // namespace

jobjectArray javaDrivers(JNIEnv* env) {
    Catalog catalog;
    if (!read(env, catalog, [](Catalog& into) { return listDrivers(into); })) return nullptr;
    DriverType type(env);
    if (!type.found()) return nullptr;
    return buildArray(env, type.constructor.type(), catalog.drivers,
                      [&](const DriverRecord& driver, std::size_t) { return buildDriver(env, type, driver); });
}

jobjectArray javaDataSources(JNIEnv* env) {
    Catalog catalog;
    if (!read(env, catalog, [](Catalog& into) { return listDataSources(into); })) return nullptr;
    return assembleDataSources(env, catalog, false);
}

jobject javaDataSource(JNIEnv* env, std::string_view name) {
    Catalog catalog;
    if (!read(env, catalog, [&](Catalog& into) { return lookupDataSource(name, into); })) return nullptr;
    return firstDataSource(env, catalog, false);
}

jobjectArray javaScopedDataSources(JNIEnv* env, int scopes) {
    Catalog catalog;
    if (!read(env, catalog, [&](Catalog& into) { return listScopedDataSources(scopes, into); })) return nullptr;
    return assembleDataSources(env, catalog, true);
}

jobject javaScopedDataSource(JNIEnv* env, std::string_view name, Scope scope) {
    Catalog catalog;
    if (!read(env, catalog, [&](Catalog& into) { return lookupScopedDataSource(name, scope, into); })) return nullptr;
    return firstDataSource(env, catalog, true);
}

}  // namespace rireve
