// The catalogue as the driver manager lists it, with SQLDrivers and
// SQLDataSources: a counting pass and a filling pass per listing, and a walk
// of the driver list for each data source's driver. Windows lists this way.
#include <sql.h>
#include <sqlext.h>

#include <cstring>

#include "binding/frame.h"
#include "binding/local_ref.h"
#include "binding/text.h"
#include "catalog/catalog.h"
#include "catalog/configuration.h"
#include "catalog/driver_entry.h"
#include "catalog/java_catalog.h"
#include "catalog/listing.h"
#include "profile/profile_text.h"

namespace rireve {
namespace {

std::string_view textOf(const char (&buffer)[kTextBufferSize]) { return {buffer, strnlen(buffer, sizeof buffer)}; }

struct DataSourceEntry {
    char name[kTextBufferSize];
    char driver[kTextBufferSize];

    // The next data source; [ODBC], the driver manager's own settings, is
    // passed over.
    bool fetchNext(SQLHENV odbc) {
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT driverLength = 0;
        bool fetched = false;
        do {
            fetched = odbcSucceeded(SQLDataSources(odbc, SQL_FETCH_NEXT, reinterpret_cast<SQLCHAR*>(name),
                                                   sizeof name, &nameLength, reinterpret_cast<SQLCHAR*>(driver),
                                                   sizeof driver, &driverLength));
        } while (fetched && sameProfileName(textOf(name), kDriverManagerSection));
        return fetched;
    }
};

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
    return buildDataSource(env, type, textOf(entry.name), driver.get());
}

}  // namespace

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
