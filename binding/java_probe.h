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

// A count, then each finding not ignored (each element of `ignore` a code, or
// CODE:SUBJECT; null for none): its severity (Diagnosis.Severity's ordinal),
// code, subject, reason and mend.
jcharArray javaDiagnosis(JNIEnv* env, jobjectArray ignore);

}  // namespace rireve
