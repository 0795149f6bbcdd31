// The configuration as code for Java (state/state.h): a state's text taken
// from Java, its plan and its report handed back as records (binding/record.h)
// that ConfigurationPlan and ConfigurationApplied read. A document that
// cannot be read, checked or resolved raises "ODBC configuration state is
// invalid!", a configuration that cannot be read "Could not read ODBC
// configuration!"; on failure the result is null.
#pragma once

#include <jni.h>

namespace rireve {

// The machine's state document as JSON text.
jstring javaExportState(JNIEnv* env, jboolean reveal);
// ConfigurationPlan's record: a count of changes, each change, a count of
// diffs, each diff's file and text.
jcharArray javaPlanState(JNIEnv* env, jstring state, jboolean prune, jboolean diffs);
// ConfigurationApplied's record: whether anything changed, the changes, the
// files put back, and why the changes stopped (a flag, then the text).
jcharArray javaApplyState(JNIEnv* env, jstring state, jboolean check, jboolean prune);

}  // namespace rireve
