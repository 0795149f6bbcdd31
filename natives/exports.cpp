// The native methods of com.nq.odbc.ODBC. The generated header declares them;
// defining them in C linkage makes any drift between the Java declarations
// and these definitions a compile error rather than a missing symbol at run
// time.
//
// This is also the one place that says which calls hold this process's
// configuration lock (platform/configuration_lock.h): listings and read-backs
// read, installer requests write. Every call beside the original four runs a
// driver's setup library in the helper's child process (binding/requests.h).
#include "com_nq_odbc_ODBC.h"

#include <exception>

#include "binding/frame.h"
#include "binding/java_catalog.h"
#include "binding/java_drivers.h"
#include "binding/java_probe.h"
#include "binding/java_state.h"
#include "binding/requests.h"
#include "platform/configuration_lock.h"

namespace {

// No C++ exception may reach the VM. The library throws none itself; the
// standard library's locks and containers are the only code that could.
template <typename Result, typename Call>
Result guarded(JNIEnv* env, Result neutral, Call call) noexcept {
    try {
        return call();
    } catch (const std::exception& failure) {
        rireve::throwError(env, rireve::message::kInternalError, rireve::Status::failure(failure.what()));
    } catch (...) {
        rireve::throwError(env, rireve::message::kInternalError, rireve::Status::failure("an unknown C++ exception"));
    }
    return neutral;
}

// The natives beside the original four raise ODBCException itself.
template <typename Result, typename Call>
Result typed(JNIEnv* env, Result neutral, Call call) noexcept {
    const rireve::RaisingAs raising(rireve::Raises::odbcException);
    return guarded(env, neutral, call);
}

template <typename Call>
auto whileReading(Call call) {
    rireve::ReadingConfiguration reading;
    return call();
}

template <typename Call>
auto whileWriting(Call call) {
    rireve::WritingConfiguration writing;
    return call();
}

}  // namespace

extern "C" {

JNIEXPORT jobjectArray JNICALL Java_com_nq_odbc_ODBC_getDataSources(JNIEnv* env, jclass) {
    return guarded(env, jobjectArray{}, [&] { return whileReading([&] { return rireve::javaDataSources(env); }); });
}

JNIEXPORT jobjectArray JNICALL Java_com_nq_odbc_ODBC_getDrivers(JNIEnv* env, jclass) {
    return guarded(env, jobjectArray{}, [&] { return whileReading([&] { return rireve::javaDrivers(env); }); });
}

JNIEXPORT jobject JNICALL Java_com_nq_odbc_ODBC_registerDataSource(JNIEnv* env, jclass, jstring name,
                                                                   jstring driver, jstring attributes) {
    return guarded(env, jobject{}, [&]() -> jobject {
        rireve::Request request;
        if (!rireve::takeRegistration(env, name, driver, attributes, request)) return nullptr;
        if (!whileWriting([&] { return rireve::requestAddition(env, request); })) return nullptr;
        return whileReading([&] { return rireve::javaDataSource(env, request.name); });
    });
}

JNIEXPORT jboolean JNICALL Java_com_nq_odbc_ODBC_unregisterDataSource(JNIEnv* env, jclass, jstring name,
                                                                      jstring driver) {
    return guarded(env, jboolean{JNI_FALSE}, [&]() -> jboolean {
        rireve::Request request;
        if (!rireve::takeRemoval(env, name, driver, request)) return JNI_FALSE;
        return whileWriting([&] { return rireve::requestRemoval(env, request); }) ? JNI_TRUE : JNI_FALSE;
    });
}

JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_listDrivers(JNIEnv* env, jclass) {
    return typed(env, jcharArray{}, [&] { return whileReading([&] { return rireve::javaDriversRecord(env); }); });
}

JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_listDriverManagerDataSources(JNIEnv* env, jclass) {
    return typed(env, jcharArray{}, [&] { return whileReading([&] { return rireve::javaDataSourcesRecord(env); }); });
}

JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_listDataSourcesIn(JNIEnv* env, jclass, jint scopes) {
    return typed(env, jcharArray{},
                   [&] { return whileReading([&] { return rireve::javaScopedDataSources(env, scopes); }); });
}

JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_registerDataSourceIn(JNIEnv* env, jclass, jstring name,
                                                                     jstring driver, jobjectArray entries, jint scope) {
    return typed(env, jcharArray{}, [&]() -> jcharArray {
        rireve::Registration registration;
        rireve::Request& request = registration.request;
        if (!rireve::takeScope(env, scope, request.scope, rireve::message::kRegisterRefused)) return nullptr;
        if (!rireve::takeRegistration(env, name, driver, entries, registration)) return nullptr;
        if (!whileWriting([&] { return rireve::requestAddition(env, registration); })) return nullptr;
        return whileReading([&] { return rireve::javaScopedDataSource(env, request.name, request.scope); });
    });
}

JNIEXPORT jboolean JNICALL Java_com_nq_odbc_ODBC_unregisterDataSourceIn(JNIEnv* env, jclass, jstring name,
                                                                        jstring driver, jint scope) {
    return typed(env, jboolean{JNI_FALSE}, [&]() -> jboolean {
        rireve::Request request;
        if (!rireve::takeScope(env, scope, request.scope, rireve::message::kRemoveRefused)) return JNI_FALSE;
        if (!rireve::takeRemoval(env, name, driver, request)) return JNI_FALSE;
        const auto removed = [&] { return rireve::requestRemoval(env, request, rireve::SetupPlace::child); };
        return whileWriting(removed) ? JNI_TRUE : JNI_FALSE;
    });
}

JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_configureDataSourceIn(JNIEnv* env, jclass, jstring name, jint scope,
                                                                      jobjectArray set, jobjectArray unset) {
    return typed(env, jcharArray{}, [&]() -> jcharArray {
        rireve::EntryRequest request;
        if (!rireve::takeScope(env, scope, request.scope, rireve::message::kConfigureRefused)) return nullptr;
        if (!rireve::takeEntryEdits(env, name, set, unset, request)) return nullptr;
        if (!whileWriting([&] { return rireve::requestEdits(env, request); })) return nullptr;
        return whileReading([&] { return rireve::javaChangedDataSource(env, request.name, request.scope); });
    });
}

JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_installDriverIn(JNIEnv* env, jclass, jstring name,
                                                                     jobjectArray entries, jint scope, jboolean replace) {
    return typed(env, jcharArray{},
                 [&] { return whileWriting([&] { return rireve::javaInstallDriver(env, name, entries, scope, replace); }); });
}

JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_removeDriverIn(JNIEnv* env, jclass, jstring name, jint scope,
                                                                    jboolean removeDataSources) {
    return typed(env, jcharArray{}, [&] {
        return whileWriting([&] { return rireve::javaRemoveDriver(env, name, scope, removeDataSources); });
    });
}

JNIEXPORT jboolean JNICALL Java_com_nq_odbc_ODBC_configureDriverIn(JNIEnv* env, jclass, jstring name, jint scope,
                                                                   jobjectArray set, jobjectArray unset) {
    return typed(env, jboolean{JNI_FALSE},
                 [&] { return whileWriting([&] { return rireve::javaConfigureDriver(env, name, scope, set, unset); }); });
}

JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_userDriverNames(JNIEnv* env, jclass) {
    return typed(env, jcharArray{}, [&] { return whileReading([&] { return rireve::javaUserDrivers(env); }); });
}

JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_readDriverManagerSettings(JNIEnv* env, jclass) {
    return typed(env, jcharArray{}, [&] { return whileReading([&] { return rireve::javaDriverManagerSettings(env); }); });
}

JNIEXPORT jboolean JNICALL Java_com_nq_odbc_ODBC_configureDriverManagerIn(JNIEnv* env, jclass, jobjectArray set,
                                                                          jobjectArray unset) {
    return typed(env, jboolean{JNI_FALSE},
                 [&] { return whileWriting([&] { return rireve::javaConfigureDriverManager(env, set, unset); }); });
}

JNIEXPORT jstring JNICALL Java_com_nq_odbc_ODBC_readFileDataSourceFolder(JNIEnv* env, jclass) {
    return typed(env, jstring{}, [&] { return whileReading([&] { return rireve::javaFileDataSourceFolder(env); }); });
}

JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_listFileDataSourcesIn(JNIEnv* env, jclass, jstring folder) {
    return typed(env, jcharArray{}, [&] { return whileReading([&] { return rireve::javaFileDataSources(env, folder); }); });
}

JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_readFileDataSourceAt(JNIEnv* env, jclass, jstring path) {
    return typed(env, jcharArray{}, [&] { return whileReading([&] { return rireve::javaReadFileDataSource(env, path); }); });
}

JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_writeFileDataSourceAt(JNIEnv* env, jclass, jstring path,
                                                                      jobjectArray entries) {
    return typed(env, jcharArray{},
                 [&] { return whileWriting([&] { return rireve::javaWriteFileDataSource(env, path, entries); }); });
}

JNIEXPORT jstring JNICALL Java_com_nq_odbc_ODBC_removeFileDataSourceAt(JNIEnv* env, jclass, jstring path) {
    return typed(env, jstring{}, [&] { return whileWriting([&] { return rireve::javaRemoveFileDataSource(env, path); }); });
}

JNIEXPORT jstring JNICALL Java_com_nq_odbc_ODBC_exportState(JNIEnv* env, jclass, jboolean reveal) {
    return typed(env, jstring{}, [&] { return whileReading([&] { return rireve::javaExportState(env, reveal); }); });
}

JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_planState(JNIEnv* env, jclass, jstring state, jboolean prune,
                                                            jboolean diffs) {
    return typed(env, jcharArray{},
                 [&] { return whileReading([&] { return rireve::javaPlanState(env, state, prune, diffs); }); });
}

// The plan and its changes under one hold of the lock, a check too: no change
// this process makes comes between them.
JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_applyState(JNIEnv* env, jclass, jstring state, jboolean check,
                                                             jboolean prune) {
    return typed(env, jcharArray{},
                 [&] { return whileWriting([&] { return rireve::javaApplyState(env, state, check, prune); }); });
}

// A connection test in this process; the Java side runs it in a child
// process of its own unless asked not to.
JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_probeConnectionHere(JNIEnv* env, jclass, jstring connectionString,
                                                                    jint timeoutSeconds) {
    return typed(env, jcharArray{}, [&] { return rireve::javaProbeReport(env, connectionString, timeoutSeconds); });
}

JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_findTestTarget(JNIEnv* env, jclass, jstring name, jint scope) {
    return typed(env, jcharArray{}, [&] { return whileReading([&] { return rireve::javaTestTarget(env, name, scope); }); });
}

JNIEXPORT jcharArray JNICALL Java_com_nq_odbc_ODBC_diagnoseConfiguration(JNIEnv* env, jclass, jobjectArray ignore) {
    return typed(env, jcharArray{}, [&] { return whileReading([&] { return rireve::javaDiagnosis(env, ignore); }); });
}

}  // extern "C"
