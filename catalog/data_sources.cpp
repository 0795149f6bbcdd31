#include <sql.h>
#include <sqlext.h>

#include <cstring>

#include "binding/frame.h"
#include "binding/java_objects.h"
#include "binding/local_ref.h"
#include "binding/text.h"
#include "catalog/catalog.h"
#include "catalog/listing.h"

namespace rireve {
namespace {

struct DataSourceEntry {
    char name[kTextBufferSize];
    char driver[kTextBufferSize];

    bool fetchNext(SQLHENV odbc) {
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT driverLength = 0;
        return odbcSucceeded(SQLDataSources(odbc, SQL_FETCH_NEXT, reinterpret_cast<SQLCHAR*>(name),
                                            sizeof name, &nameLength, reinterpret_cast<SQLCHAR*>(driver),
                                            sizeof driver, &driverLength));
    }
};

// A data source whose driver is not installed gets a null driver; a failed
// driver lookup gives null with its exception pending.
jobject buildDataSource(JNIEnv* env, const JavaConstructor& dataSourceType, const DataSourceEntry& entry) {
    LocalRef<jstring> name(env, newJavaString(env, entry.name));
    if (vmCallFailed(env, name.get())) return nullptr;
    LocalRef<jobject> driver(env, lookupDriver(env, entry.driver));
    if (env->ExceptionCheck()) return nullptr;
    return dataSourceType.create(env, name.get(), driver.get());
}

}  // namespace

jobjectArray listDataSources(JNIEnv* env) {
    JavaConstructor dataSourceType(env, javaclass::kDataSource, javaclass::kDataSourceConstructor);
    if (!dataSourceType.found()) return nullptr;
    return listEntries<DataSourceEntry>(env, dataSourceType, [&](const DataSourceEntry& entry) {
        return buildDataSource(env, dataSourceType, entry);
    });
}

jobject lookupDataSource(JNIEnv* env, const char* name) {
    JavaConstructor dataSourceType(env, javaclass::kDataSource, javaclass::kDataSourceConstructor);
    if (!dataSourceType.found()) return nullptr;
    return lookupEntry<DataSourceEntry>(
        env, [&](const DataSourceEntry& entry) { return std::strncmp(entry.name, name, kTextBufferSize) == 0; },
        [&](const DataSourceEntry& entry) { return buildDataSource(env, dataSourceType, entry); });
}

}  // namespace rireve
