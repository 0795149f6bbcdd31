#include "binding/java_catalog.h"

#include <cstdint>
#include <string>
#include <vector>

#include "binding/frame.h"
#include "binding/java_objects.h"
#include "binding/local_ref.h"
#include "binding/record.h"
#include "catalog/catalog.h"

namespace rireve {
namespace {

constexpr std::int32_t kNoDriverIndex = -1;  // DataSource.NO_DRIVER
constexpr std::int32_t kVanishedIndex = -2;  // DataSource.VANISHED

// The records of a listing, or a failure raised with its step's message.
template <typename List>
bool read(JNIEnv* env, Catalog& catalog, List list) {
    return !raiseFailure(env, list(catalog), message::kReadConfiguration);
}

// ODBCDriver.read: its description and its attributes, as the driver
// manager hands each text over.
void writeDriver(Record& record, const DriverRecord& driver) {
    record.bufferText(driver.description);
    record.number(static_cast<std::int32_t>(driver.attributes.size()));
    for (const Pair& pair : driver.attributes) {
        record.bufferText(pair.key);
        record.bufferText(pair.value);
    }
}

std::size_t textBytes(const DataSourceRecord& source, bool scoped) {
    std::size_t bytes = source.name.size();
    if (!scoped) return bytes;
    bytes += source.driverName.size();
    for (const Pair& entry : source.entries) bytes += entry.key.size() + entry.value.size();
    return bytes;
}

void writeDataSource(Record& record, const DataSourceRecord& source, bool scoped) {
    record.number(source.vanished ? kVanishedIndex
                  : source.driver == kNoDriver ? kNoDriverIndex
                                               : static_cast<std::int32_t>(source.driver));
    if (source.vanished) return;
    record.bufferText(source.name);
    if (!scoped) return;
    record.number(static_cast<std::int32_t>(source.scope.value_or(Scope::user)));
    record.bufferText(source.driverName);
    record.number(static_cast<std::int32_t>(source.entries.size()));
    for (const Pair& entry : source.entries) {
        record.bufferText(entry.key);
        record.bufferText(entry.value);
    }
}

// DataSource.list: whether the listing is scoped; the driver of each
// driver that a data source uses (the others marked unused); then each data
// source with its driver's index.
Record dataSourcesRecord(const Catalog& catalog, bool scoped) {
    std::size_t bytes = 0;
    for (const DataSourceRecord& source : catalog.dataSources) bytes += textBytes(source, scoped) + 12;
    Record record;
    record.reserve(bytes);
    record.flag(scoped);
    std::vector<bool> used(catalog.drivers.size());
    for (const DataSourceRecord& source : catalog.dataSources) {
        if (!source.vanished && source.driver != kNoDriver) used[source.driver] = true;
    }
    record.number(static_cast<std::int32_t>(used.size()));
    for (std::size_t i = 0; i < used.size(); ++i) {
        record.flag(used[i]);
        if (used[i]) writeDriver(record, catalog.drivers[i]);
    }
    record.number(static_cast<std::int32_t>(catalog.dataSources.size()));
    for (const DataSourceRecord& source : catalog.dataSources) writeDataSource(record, source, scoped);
    return record;
}

// ODBCDriver.list: each driver, a vanished one marked.
Record driversRecord(const Catalog& catalog) {
    Record record;
    record.number(static_cast<std::int32_t>(catalog.drivers.size()));
    for (const DriverRecord& driver : catalog.drivers) {
        record.flag(!driver.vanished);
        if (!driver.vanished) writeDriver(record, driver);
    }
    return record;
}

// The objects the Java class's static method of that name and signature
// makes of the record: the original natives hand back what the VM built.
jobject madeInJava(JNIEnv* env, const char* className, const char* method, const char* signature,
                   const Record& record) {
    LocalRef<jclass> type(env, env->FindClass(className));
    if (vmCallFailed(env, type.get())) return nullptr;
    const jmethodID make = env->GetStaticMethodID(type.get(), method, signature);
    if (vmCallFailed(env, make)) return nullptr;
    LocalRef<jcharArray> units(env, record.toJava(env));
    if (vmCallFailed(env, units.get())) return nullptr;
    jobject made = env->CallStaticObjectMethod(type.get(), make, units.get());
    if (!env->ExceptionCheck()) return made;
    if (made != nullptr) env->DeleteLocalRef(made);
    return nullptr;
}

}  // namespace

jobjectArray javaDrivers(JNIEnv* env) {
    Catalog catalog;
    if (!read(env, catalog, [](Catalog& into) { return listDrivers(into); })) return nullptr;
    return static_cast<jobjectArray>(madeInJava(env, javaclass::kDriver, javaclass::kListed,
                                                javaclass::kDriversListedSignature, driversRecord(catalog)));
}

jcharArray javaDriversRecord(JNIEnv* env) {
    Catalog catalog;
    if (!read(env, catalog, [](Catalog& into) { return listDrivers(into); })) return nullptr;
    return driversRecord(catalog).toJava(env);
}

jobjectArray javaDataSources(JNIEnv* env) {
    Catalog catalog;
    if (!read(env, catalog, [](Catalog& into) { return listDataSources(into); })) return nullptr;
    return static_cast<jobjectArray>(madeInJava(env, javaclass::kDataSource, javaclass::kListed,
                                                javaclass::kDataSourcesListedSignature,
                                                dataSourcesRecord(catalog, false)));
}

jcharArray javaDataSourcesRecord(JNIEnv* env) {
    Catalog catalog;
    if (!read(env, catalog, [](Catalog& into) { return listDataSources(into); })) return nullptr;
    return dataSourcesRecord(catalog, false).toJava(env);
}

jobject javaDataSource(JNIEnv* env, std::string_view name) {
    Catalog catalog;
    if (!read(env, catalog, [&](Catalog& into) { return lookupDataSource(name, into); })) return nullptr;
    return madeInJava(env, javaclass::kDataSource, javaclass::kFirstListed, javaclass::kDataSourceFirstSignature,
                      dataSourcesRecord(catalog, false));
}

jcharArray javaScopedDataSources(JNIEnv* env, int scopes) {
    Catalog catalog;
    if (!read(env, catalog, [&](Catalog& into) { return listScopedDataSources(scopes, into); })) return nullptr;
    return dataSourcesRecord(catalog, true).toJava(env);
}

jcharArray javaScopedDataSource(JNIEnv* env, std::string_view name, Scope scope) {
    Catalog catalog;
    if (!read(env, catalog, [&](Catalog& into) { return lookupScopedDataSource(name, scope, into); })) return nullptr;
    return dataSourcesRecord(catalog, true).toJava(env);
}

jcharArray javaChangedDataSource(JNIEnv* env, std::string_view name, Scope scope) {
    Catalog catalog;
    if (!read(env, catalog, [&](Catalog& into) { return lookupScopedDataSource(name, scope, into); })) return nullptr;
    if (!catalog.dataSources.empty()) return dataSourcesRecord(catalog, true).toJava(env);
    (void)raiseFailure(env, Outcome::of(Status::failure("the data source " + std::string(name) +
                                                        " was changed, but another program has rewritten its file" +
                                                        " since without it")),
                       message::kConfigureRefused);
    return nullptr;
}

}  // namespace rireve
