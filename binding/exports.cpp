// The native methods of com.nq.odbc.ODBC. The generated header declares them;
// defining them in C linkage makes any drift between the Java declarations
// and these definitions a compile error rather than a missing symbol at run
// time.
#include "com_nq_odbc_ODBC.h"

#include "binding/configuration_lock.h"
#include "binding/frame.h"
#include "catalog/catalog.h"
#include "installer/registration.h"

namespace {

// No C++ exception may reach the VM. The library throws none itself; the
// standard library's locks are the only code that could.
template <typename Result, typename Call>
Result guarded(JNIEnv* env, Result neutral, Call call) noexcept {
    try {
        return call();
    } catch (...) {
        rireve::throwError(env, rireve::message::kInternalError);
        return neutral;
    }
}

}  // namespace

extern "C" {

JNIEXPORT jobjectArray JNICALL Java_com_nq_odbc_ODBC_getDataSources(JNIEnv* env, jclass) {
    return guarded(env, jobjectArray{}, [&] {
        rireve::ReadingConfiguration reading;
        return rireve::listDataSources(env);
    });
}

JNIEXPORT jobjectArray JNICALL Java_com_nq_odbc_ODBC_getDrivers(JNIEnv* env, jclass) {
    return guarded(env, jobjectArray{}, [&] {
        rireve::ReadingConfiguration reading;
        return rireve::listDrivers(env);
    });
}

JNIEXPORT jobject JNICALL Java_com_nq_odbc_ODBC_registerDataSource(JNIEnv* env, jclass, jstring name,
                                                                   jstring driver, jstring attributes) {
    return guarded(env, jobject{}, [&] { return rireve::registerDataSource(env, name, driver, attributes); });
}

JNIEXPORT jboolean JNICALL Java_com_nq_odbc_ODBC_unregisterDataSource(JNIEnv* env, jclass, jstring name,
                                                                      jstring driver) {
    return guarded(env, jboolean{JNI_FALSE}, [&]() -> jboolean {
        return rireve::unregisterDataSource(env, name, driver) ? JNI_TRUE : JNI_FALSE;
    });
}

}  // extern "C"
