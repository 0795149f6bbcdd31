// Drivers, the driver manager's settings and file data sources for Java:
// requests taken from Java arguments and checked, carried out by the
// installer layer, their results as flat arrays of strings that the Java
// side turns into its value classes. On failure a Java exception is pending
// and the result is null (false).
#pragma once

#include <jni.h>

namespace rireve {

// The usage: its count, "1" when still installed, then "-name (scope)" for
// each data source removed and "+name (scope)" for each still using it.
jobjectArray javaInstallDriver(JNIEnv* env, jstring name, jobjectArray entries, jint scope, jboolean replace);
jobjectArray javaRemoveDriver(JNIEnv* env, jstring name, jint scope, jboolean removeDataSources);
// The names of the drivers listed from the user's driver file.
jobjectArray javaUserDrivers(JNIEnv* env);
jboolean javaConfigureDriver(JNIEnv* env, jstring name, jint scope, jobjectArray set, jobjectArray unset);

// The path, the overriding file (empty when none), then keys and values by turns.
jobjectArray javaDriverManagerSettings(JNIEnv* env);
jboolean javaConfigureDriverManager(JNIEnv* env, jobjectArray set, jobjectArray unset);

jstring javaFileDataSourceFolder(JNIEnv* env);
// Each file: its path, its number of entries, then its keys and values by turns.
jobjectArray javaFileDataSources(JNIEnv* env, jstring folder);
// The path as resolved, then keys and values by turns.
jobjectArray javaReadFileDataSource(JNIEnv* env, jstring path);
// The path as resolved.
jstring javaWriteFileDataSource(JNIEnv* env, jstring path, jobjectArray entries);
jstring javaRemoveFileDataSource(JNIEnv* env, jstring path);

}  // namespace rireve
