// Building the Java objects that the library returns.
#pragma once

#include <jni.h>

#include "binding/local_ref.h"

namespace rireve {

namespace javaclass {
inline constexpr char kDataSource[] = "com/nq/odbc/DataSource";
inline constexpr char kDataSourceConstructor[] = "(Ljava/lang/String;Lcom/nq/odbc/ODBCDriver;)V";
inline constexpr char kScopedDataSourceConstructor[] =
    "(Ljava/lang/String;Lcom/nq/odbc/ODBCDriver;Ljava/lang/String;I[Ljava/lang/String;)V";
inline constexpr char kDataSourceListed[] = "listed";
inline constexpr char kDataSourceListedSignature[] = "([C[I[I[Lcom/nq/odbc/ODBCDriver;Z)[Lcom/nq/odbc/DataSource;";
inline constexpr char kDriver[] = "com/nq/odbc/ODBCDriver";
inline constexpr char kDriverConstructor[] = "(Ljava/lang/String;Ljava/util/HashMap;)V";
inline constexpr char kHashMap[] = "java/util/HashMap";
inline constexpr char kHashMapConstructor[] = "()V";
inline constexpr char kHashMapPut[] = "put";
inline constexpr char kHashMapPutSignature[] = "(Ljava/lang/Object;Ljava/lang/Object;)Ljava/lang/Object;";
}  // namespace javaclass

// A class and one of its constructors, looked up afresh for one call. When
// the lookup fails, found() is false and the VM's exception is pending.
class JavaConstructor {
public:
    JavaConstructor(JNIEnv* env, const char* className, const char* signature);

    bool found() const { return id_ != nullptr; }
    jclass type() const { return type_.get(); }
    // A new object, or null with an exception pending.
    template <typename... Arguments>
    jobject create(JNIEnv* env, Arguments... arguments) const {
        jobject object = env->NewObject(type_.get(), id_, arguments...);
        if (!env->ExceptionCheck()) return object;
        if (object != nullptr) env->DeleteLocalRef(object);
        return nullptr;
    }

private:
    LocalRef<jclass> type_;
    jmethodID id_ = nullptr;
};

// True when a VM call failed: it gave null, or left an exception pending.
inline bool vmCallFailed(JNIEnv* env, const void* result) {
    return result == nullptr || env->ExceptionCheck();
}

}  // namespace rireve
