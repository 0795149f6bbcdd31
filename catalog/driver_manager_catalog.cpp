// The catalogue as the driver manager lists it, with SQLDrivers and
// SQLDataSources: a counting pass and a filling pass per listing, and a walk
// of the driver list for each data source's driver. Windows lists this way.
#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <string>
#include <vector>

#include "binding/frame.h"
#include "binding/local_ref.h"
#include "binding/text.h"
#include "catalog/catalog.h"
#include "catalog/configuration.h"
#include "catalog/data_source_entry.h"
#include "catalog/driver_entry.h"
#include "catalog/java_catalog.h"
#include "catalog/listing.h"
#include "platform/installer_profile.h"
#include "base/text_rules.h"

namespace rireve {
namespace {

std::string_view textOf(const char (&buffer)[kTextBufferSize]) { return {buffer, strnlen(buffer, sizeof buffer)}; }

struct ScopedEntry {
    std::string name;
    std::string driver;
    Scope scope;
    std::vector<ProfileEntry> entries;
};

// The driver manager's list of one scope, each data source with its entries
// as the installer's profile functions read them in that scope's mode.
Status listScope(SQLHENV odbc, Scope scope, std::vector<ScopedEntry>& listed) {
    const bool system = scope == Scope::system;
    DataSourceEntry entry(scope);
    const std::size_t first = listed.size();
    while (entry.fetchNext(odbc)) listed.push_back({std::string(entry.nameText()), std::string(entry.driverText()), scope, {}});
    if (listed.size() == first) return {};
    const InstallerProfile profile(system ? ODBC_SYSTEM_DSN : ODBC_USER_DSN);
    for (std::size_t i = first; i < listed.size(); ++i) {
        std::vector<std::string> keys;
        Status status = profile.readKeys(listed[i].name, keys);
        for (const std::string& key : keys) {
            listed[i].entries.push_back({key, {}});
            if (status.ok()) status = profile.readValue(listed[i].name, key, listed[i].entries.back().value);
        }
        if (!status.ok()) return status;
    }
    return {};
}

Status listScopes(SQLHENV odbc, int scopes, std::vector<ScopedEntry>& listed) {
    Status status;
    if (covers(scopes, Scope::user)) status = listScope(odbc, Scope::user, listed);
    if (status.ok() && covers(scopes, Scope::system)) status = listScope(odbc, Scope::system, listed);
    return status;
}

jobject buildDriverEntry(JNIEnv* env, const DriverType& type, const DriverEntry& entry) {
    return buildDriver(env, type, textOf(entry.description),
                       std::string_view(entry.attributes, sizeof entry.attributes));
}

// The first driver whose description has exactly these bytes, or null. Null
// is also the answer after a failure; the pending exception tells them apart.
jobject lookupDriver(JNIEnv* env, const char* description) {
    DriverType driverType(env);
    if (!driverType.found()) return nullptr;
    return lookupEntry<DriverEntry>(
        env, [&](const DriverEntry& entry) { return entry.describes(description); },
        [&](const DriverEntry& entry) { return buildDriverEntry(env, driverType, entry); });
}

// A data source whose driver is not installed gets a null driver; a failed
// driver lookup gives null with its exception pending.
jobject buildDataSourceEntry(JNIEnv* env, const JavaConstructor& type, const DataSourceEntry& entry) {
    LocalRef<jobject> driver(env, lookupDriver(env, entry.driver));
    if (env->ExceptionCheck()) return nullptr;
    return buildDataSource(env, type, entry.nameText(), driver.get());
}

jobject buildScopedEntry(JNIEnv* env, const ScopedDataSourceType& type, const ScopedEntry& entry,
                         StringCache& shared) {
    LocalRef<jobject> driver(env, lookupDriver(env, entry.driver.c_str()));
    if (env->ExceptionCheck()) return nullptr;
    return buildScopedDataSource(env, type, {entry.name, entry.driver, entry.scope, &entry.entries}, driver.get(),
                                 shared);
}

// The scopes' data sources, of one environment, handed to build().
template <typename Result, typename Build>
Result withScopedEntries(JNIEnv* env, int scopes, Build build) {
    ScopedDataSourceType type(env);
    if (!type.found()) return nullptr;
    LocalRef<Result> result(env, nullptr);
    const bool listed = withOdbcEnvironment(env, [&](SQLHENV odbc) {
        std::vector<ScopedEntry> entries;
        const Status status = listScopes(odbc, scopes, entries);
        if (!status.ok()) throwError(env, message::kReadConfiguration, status);
        if (status.ok()) result.reset(build(type, entries));
        return !env->ExceptionCheck();
    });
    return listed ? result.release() : nullptr;
}

}  // namespace

jobjectArray listScopedDataSources(JNIEnv* env, int scopes) {
    return withScopedEntries<jobjectArray>(env, scopes, [&](const ScopedDataSourceType& type,
                                                            const std::vector<ScopedEntry>& entries) -> jobjectArray {
        StringCache shared(env);
        if (env->EnsureLocalCapacity(StringCache::kCached + 16) != 0) return nullptr;
        return buildArray(env, type.constructor.type(), entries.size(),
                          [&](std::size_t i) { return buildScopedEntry(env, type, entries[i], shared); });
    });
}

jobject lookupScopedDataSource(JNIEnv* env, const char* name, Scope scope) {
    return withScopedEntries<jobject>(env, static_cast<int>(scope), [&](const ScopedDataSourceType& type,
                                                                        const std::vector<ScopedEntry>& entries) -> jobject {
        StringCache shared(env);
        for (const ScopedEntry& entry : entries) {
            if (sameProfileName(entry.name, name)) return buildScopedEntry(env, type, entry, shared);
        }
        return nullptr;
    });
}

jobjectArray listDrivers(JNIEnv* env) {
    DriverType driverType(env);
    if (!driverType.found()) return nullptr;
    return listEntries<DriverEntry>(env, driverType.constructor, [&](const DriverEntry& entry) {
        return buildDriverEntry(env, driverType, entry);
    });
}

jobjectArray listDataSources(JNIEnv* env) {
    JavaConstructor dataSourceType(env, javaclass::kDataSource, javaclass::kDataSourceConstructor);
    if (!dataSourceType.found()) return nullptr;
    return listEntries<DataSourceEntry>(env, dataSourceType, [&](const DataSourceEntry& entry) {
        return buildDataSourceEntry(env, dataSourceType, entry);
    });
}

jobject lookupDataSource(JNIEnv* env, const char* name) {
    JavaConstructor dataSourceType(env, javaclass::kDataSource, javaclass::kDataSourceConstructor);
    if (!dataSourceType.found()) return nullptr;
    return lookupEntry<DataSourceEntry>(
        env, [&](const DataSourceEntry& entry) { return std::strncmp(entry.name, name, kTextBufferSize) == 0; },
        [&](const DataSourceEntry& entry) { return buildDataSourceEntry(env, dataSourceType, entry); });
}

}  // namespace rireve
