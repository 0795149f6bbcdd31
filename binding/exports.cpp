// The native methods of com.nq.odbc.ODBC. The generated header declares them;
// defining them in C linkage makes any drift between the Java declarations
// and these definitions a compile error rather than a missing symbol at run
// time.
#include "com_nq_odbc_ODBC.h"

#include "binding/configuration_lock.h"
#include "catalog/catalog.h"
#include "installer/registration.h"

extern "C" {

JNIEXPORT jobjectArray JNICALL Java_com_nq_odbc_ODBC_getDataSources(JNIEnv* env, jclass) {
    rireve::ReadingConfiguration reading;
    return rireve::listDataSources(env);
}

JNIEXPORT jobjectArray JNICALL Java_com_nq_odbc_ODBC_getDrivers(JNIEnv* env, jclass) {
    rireve::ReadingConfiguration reading;
    return rireve::listDrivers(env);
}

JNIEXPORT jobject JNICALL Java_com_nq_odbc_ODBC_registerDataSource(JNIEnv* env, jclass, jstring name,
                                                                   jstring driver, jstring attributes) {
    return rireve::registerDataSource(env, name, driver, attributes);
}

JNIEXPORT jboolean JNICALL Java_com_nq_odbc_ODBC_unregisterDataSource(JNIEnv* env, jclass, jstring name,
                                                                      jstring driver) {
    return rireve::unregisterDataSource(env, name, driver) ? JNI_TRUE : JNI_FALSE;
}

}  // extern "C"
