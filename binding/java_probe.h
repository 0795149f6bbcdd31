// The probe's results for Java: a connection test's report as its text
// (probe/report_text.h), the diagnosis as a flat array of strings.
#pragma once

#include <jni.h>

namespace rireve {

// Tests the connection here, in this process; null with an exception
// pending only for a null or unrepresentable connection string.
jstring javaProbeReport(JNIEnv* env, jstring connectionString, jint timeoutSeconds);

// Four strings a finding: severity (its ordinal), code, subject, reason.
jobjectArray javaDiagnosis(JNIEnv* env);

}  // namespace rireve
