// The Java classes whose objects the library returns, and the check of a VM call.
#pragma once

#include <jni.h>


namespace rireve {

namespace javaclass {
inline constexpr char kDataSource[] = "com/nq/odbc/DataSource";
inline constexpr char kDriver[] = "com/nq/odbc/ODBCDriver";
// The static methods that make the original natives' objects of a record.
inline constexpr char kListed[] = "listed";
inline constexpr char kFirstListed[] = "firstListed";
inline constexpr char kDataSourcesListedSignature[] = "([C)[Lcom/nq/odbc/DataSource;";
inline constexpr char kDataSourceFirstSignature[] = "([C)Lcom/nq/odbc/DataSource;";
inline constexpr char kDriversListedSignature[] = "([C)[Lcom/nq/odbc/ODBCDriver;";
}  // namespace javaclass

// True when a VM call failed: it gave null, or left an exception pending.
inline bool vmCallFailed(JNIEnv* env, const void* result) {
    return result == nullptr || env->ExceptionCheck();
}

}  // namespace rireve
