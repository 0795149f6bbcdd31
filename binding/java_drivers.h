// Drivers, the driver manager's settings and file data sources for Java:
// requests taken from Java arguments and checked, carried out by the
// installer layer, their results as records (binding/record.h) that the
// Java side's value classes read. On failure a Java exception is pending
// and the result is null (false).
#pragma once

#include <jni.h>

namespace rireve {

// DriverUsage's record: the usage count, whether it is still installed, the
// data sources removed and those still using it ("name (scope)").
jcharArray javaInstallDriver(JNIEnv* env, jstring name, jobjectArray entries, jint scope, jboolean replace);
jcharArray javaRemoveDriver(JNIEnv* env, jstring name, jint scope, jboolean removeDataSources);
// The names of the drivers listed from the user's driver file.
jcharArray javaUserDrivers(JNIEnv* env);
jboolean javaConfigureDriver(JNIEnv* env, jstring name, jint scope, jobjectArray set, jobjectArray unset);

// DriverManagerSettings' record: the path, the overriding file if any, the entries.
jcharArray javaDriverManagerSettings(JNIEnv* env);
jboolean javaConfigureDriverManager(JNIEnv* env, jobjectArray set, jobjectArray unset);

jstring javaFileDataSourceFolder(JNIEnv* env);
// A count, then each file's FileDataSource record: its path and its entries.
jcharArray javaFileDataSources(JNIEnv* env, jstring folder);
// The file's FileDataSource record, its path as resolved.
jcharArray javaReadFileDataSource(JNIEnv* env, jstring path);
// The file's FileDataSource record as written.
jcharArray javaWriteFileDataSource(JNIEnv* env, jstring path, jobjectArray entries);
jstring javaRemoveFileDataSource(JNIEnv* env, jstring path);

}  // namespace rireve
