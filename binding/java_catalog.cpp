#include "binding/java_catalog.h"

#include <algorithm>
#include <string>
#include <unordered_map>
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

// Java strings of the texts that data sources share (their keys, the names
// of their drivers), made once per listing for the first kCached texts seen
// and held until the listing ends.
class StringCache {
public:
    static constexpr std::size_t kCached = 64;

    explicit StringCache(JNIEnv* env) : env_(env) {}
    ~StringCache() {
        for (const auto& cached : strings_) env_->DeleteLocalRef(cached.second);
    }
    StringCache(const StringCache&) = delete;
    StringCache& operator=(const StringCache&) = delete;

    // The text's string: the cached one, or a new one left in `made`, which
    // is cached when `share` and there is room. Null with an exception pending
    // when the VM fails.
    jstring find(std::string_view text, LocalRef<jstring>& made, bool share) {
        const auto cached = strings_.find(std::string(text));
        if (cached != strings_.end()) return cached->second;
        made.reset(newString(env_, text));
        if (!share || strings_.size() >= kCached || vmCallFailed(env_, made.get())) return made.get();
        const jstring kept = made.release();
        strings_.emplace(std::string(text), kept);
        return kept;
    }

private:
    JNIEnv* env_;
    std::unordered_map<std::string, jstring> strings_;
};

// The description and attribute map of each driver, made once per listing
// and handed to the driver object of every data source that uses it.
// ODBCDriver copies the map it is given, so each data source's driver still
// has a map of its own, and a listing makes a few calls per data source.
class DriverParts {
public:
    DriverParts(JNIEnv* env, const DriverType& type, const Catalog& catalog)
        : env_(env), type_(type), catalog_(catalog), parts_(catalog.drivers.size()) {
        for (const DataSourceRecord& source : catalog.dataSources) {
            if (source.driver != kNoDriver) parts_[source.driver].users += 1;
        }
    }
    ~DriverParts() {
        for (const Part& part : parts_) {
            if (part.description != nullptr) env_->DeleteLocalRef(part.description);
            if (part.attributes != nullptr) env_->DeleteLocalRef(part.attributes);
        }
    }
    DriverParts(const DriverParts&) = delete;
    DriverParts& operator=(const DriverParts&) = delete;

    // Room for every part, and `more`, beyond the VM's default of a few local references.
    bool reserve(std::size_t more = 0) {
        return env_->EnsureLocalCapacity(static_cast<jint>(2 * parts_.size() + more + 16)) == 0;
    }

    // A new driver object of the i-th driver, or null with an exception pending.
    jobject build(std::size_t i) {
        Part& part = parts_[i];
        if (part.users < 2) return buildDriver(env_, type_, catalog_.drivers[i]);
        if (part.description == nullptr) {
            part.description = newString(env_, catalog_.drivers[i].description);
            if (vmCallFailed(env_, part.description)) return nullptr;
            part.attributes = buildAttributeMap(env_, type_.map, catalog_.drivers[i].attributes);
            if (vmCallFailed(env_, part.attributes)) return nullptr;
        }
        return type_.constructor.create(env_, part.description, part.attributes);
    }

    // The data source's driver object, or null (with no exception pending)
    // when its driver is not installed.
    jobject buildFor(const DataSourceRecord& source) { return source.driver == kNoDriver ? nullptr : build(source.driver); }

private:
    struct Part {
        jstring description = nullptr;
        jobject attributes = nullptr;
        int users = 0;  // data sources that use the driver: the parts are kept for two or more
    };
    JNIEnv* env_;
    const DriverType& type_;
    const Catalog& catalog_;
    std::vector<Part> parts_;
};

bool setText(JNIEnv* env, jobjectArray array, jsize index, std::string_view text, StringCache& shared, bool share) {
    LocalRef<jstring> made(env, nullptr);
    const jstring string = shared.find(text, made, share);
    if (vmCallFailed(env, string)) return false;
    env->SetObjectArrayElement(array, index, string);
    return !env->ExceptionCheck();
}

// Keys and values by turns. Keys are shared; a value is, when another data
// source's key or driver has its text.
jobjectArray buildEntryArray(JNIEnv* env, jclass string, const std::vector<Pair>& entries, StringCache& shared) {
    LocalRef<jobjectArray> array(env, env->NewObjectArray(static_cast<jsize>(2 * entries.size()), string, nullptr));
    if (vmCallFailed(env, array.get())) return nullptr;
    jsize index = 0;
    for (const Pair& entry : entries) {
        if (!setText(env, array.get(), index++, entry.key, shared, true) ||
            !setText(env, array.get(), index++, entry.value, shared, false)) {
            return nullptr;
        }
    }
    return array.release();
}

// The two kinds of DataSource: the original one of a name and a driver, and
// the scoped one with its scope, driver name and entries.
class DataSourceBuilder {
public:
    DataSourceBuilder(JNIEnv* env, const Catalog& catalog, bool scoped)
        : env_(env),
          scoped_(scoped),
          type_(env, javaclass::kDataSource,
                scoped ? javaclass::kScopedDataSourceConstructor : javaclass::kDataSourceConstructor),
          string_(env, nullptr),
          driverType_(env),
          drivers_(env, driverType_, catalog),
          shared_(env) {
        // No lookup after one that failed: its exception is pending.
        if (!type_.found() || !scoped || env->ExceptionCheck()) return;
        string_.reset(env->FindClass(javaclass::kString));
    }

    bool ready() { return type_.found() && driverType_.found() && (!scoped_ || string_) && drivers_.reserve(StringCache::kCached); }
    jclass type() const { return type_.type(); }

    // The data source, or null with an exception pending.
    jobject build(const DataSourceRecord& source) {
        LocalRef<jobject> driver(env_, drivers_.buildFor(source));
        if (env_->ExceptionCheck()) return nullptr;
        LocalRef<jstring> name(env_, newString(env_, source.name));
        if (vmCallFailed(env_, name.get())) return nullptr;
        if (!scoped_) return type_.create(env_, name.get(), driver.get());
        LocalRef<jstring> madeDriverName(env_, nullptr);
        const jstring driverName = shared_.find(source.driverName, madeDriverName, true);
        if (vmCallFailed(env_, driverName)) return nullptr;
        LocalRef<jobjectArray> entries(env_, buildEntryArray(env_, string_.get(), source.entries, shared_));
        if (vmCallFailed(env_, entries.get())) return nullptr;
        return type_.create(env_, name.get(), driver.get(), driverName, static_cast<jint>(*source.scope), entries.get());
    }

private:
    JNIEnv* env_;
    bool scoped_;
    JavaConstructor type_;
    LocalRef<jclass> string_;
    DriverType driverType_;
    DriverParts drivers_;
    StringCache shared_;
};

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

jobject buildFirstDataSource(JNIEnv* env, const Catalog& catalog, bool scoped) {
    DataSourceBuilder builder(env, catalog, scoped);
    if (!builder.ready() || catalog.dataSources.empty()) return nullptr;
    return builder.build(catalog.dataSources.front());
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
    return buildFirstDataSource(env, catalog, false);
}

jobjectArray javaScopedDataSources(JNIEnv* env, int scopes) {
    Catalog catalog;
    if (!read(env, catalog, [&](Catalog& into) { return listScopedDataSources(scopes, into); })) return nullptr;
    return assembleDataSources(env, catalog, true);
}

jobject javaScopedDataSource(JNIEnv* env, std::string_view name, Scope scope) {
    Catalog catalog;
    if (!read(env, catalog, [&](Catalog& into) { return lookupScopedDataSource(name, scope, into); })) return nullptr;
    return buildFirstDataSource(env, catalog, true);
}

}  // namespace rireve
