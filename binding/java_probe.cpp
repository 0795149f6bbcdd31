#include "binding/java_probe.h"

#include <string>
#include <vector>

#include "binding/frame.h"
#include "binding/local_ref.h"
#include "binding/text.h"
#include "probe/connection_probe.h"
#include "probe/diagnosis.h"
#include "probe/report_text.h"

namespace rireve {

jstring javaProbeReport(JNIEnv* env, jstring connectionString, jint timeoutSeconds) {
    if (connectionString == nullptr) {
        throwError(env, message::kConnectionStringIsNull, Status::failure("the connection string is null"));
        return nullptr;
    }
    std::string text;
    const TextStatus status = copyLongJavaString(env, connectionString, text);
    if (status == TextStatus::javaException) return nullptr;
    if (status != TextStatus::ok) {
        throwError(env, message::kConnectionStringInvalid,
                   Status::failure("the connection string holds a character the platform's text cannot carry"));
        return nullptr;
    }
    ConnectionReport report;
    const Outcome outcome = probeConnection(text, timeoutSeconds > 0 ? static_cast<unsigned>(timeoutSeconds) : 0, report);
    return newLongJavaString(env, outcome.ok() ? formatReport(report) : formatFailure(outcome));
}

jobjectArray javaDiagnosis(JNIEnv* env) {
    std::vector<Finding> findings;
    if (raiseFailure(env, diagnoseConfiguration(findings), message::kDiagnoseFailed)) return nullptr;
    LocalRef<jclass> stringClass(env, env->FindClass("java/lang/String"));
    if (!stringClass) return nullptr;
    const jsize size = static_cast<jsize>(findings.size() * 4);
    LocalRef<jobjectArray> array(env, env->NewObjectArray(size, stringClass.get(), nullptr));
    if (!array) return nullptr;
    jsize at = 0;
    for (const Finding& finding : findings) {
        const std::string severity = std::to_string(static_cast<int>(finding.severity));
        for (const std::string* text : {&severity, &finding.code, &finding.subject, &finding.reason}) {
            LocalRef<jstring> element(env, newLongJavaString(env, *text));
            if (!element) return nullptr;
            env->SetObjectArrayElement(array.get(), at++, element.get());
            if (env->ExceptionCheck()) return nullptr;
        }
    }
    return array.release();
}

}  // namespace rireve
