// The probe's results for Java, as records (binding/record.h).
#pragma once

#include <jni.h>

namespace rireve {

// Tests the connection here, in this process: whether it connected, the
// driver's and DBMS's names and versions, and each diagnostic record (its
// state, native error and message). Null with an exception pending for a
// null or unrepresentable connection string, or a driver manager that
// cannot be used.
jcharArray javaProbeReport(JNIEnv* env, jstring connectionString, jint timeoutSeconds);

// What the configuration says of a data source about to be tested (scope 0:
// wherever the driver manager finds it): the verdict (TestVerdict's
// ordinal), why, the driver it names, whether the user's file must be kept
// out of sight.
jcharArray javaTestTarget(JNIEnv* env, jstring name, jint scope);

// A count, then each finding not ignored (each element of `ignore` a code, or
// CODE:SUBJECT; null for none): its severity (Diagnosis.Severity's ordinal),
// code, subject, reason and mend.
jcharArray javaDiagnosis(JNIEnv* env, jobjectArray ignore);

}  // namespace rireve
