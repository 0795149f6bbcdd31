#include "binding/java_probe.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "binding/frame.h"
#include "binding/local_ref.h"
#include "binding/requests.h"
#include "binding/record.h"
#include "binding/text.h"
#include "probe/connection_probe.h"
#include "probe/diagnosis.h"
#include "probe/test_target.h"

namespace rireve {

jcharArray javaProbeReport(JNIEnv* env, jstring connectionString, jint timeoutSeconds) {
    std::string text;
    if (!takeLongText(env, connectionString, "connection string", message::kConnectionStringIsNull,
                      message::kConnectionStringInvalid, text))
        return nullptr;
    ConnectionReport report;
    const Outcome outcome = probeConnection(text, timeoutSeconds > 0 ? static_cast<unsigned>(timeoutSeconds) : 0, report);
    if (raiseFailure(env, outcome, message::kAllocateEnvironment)) return nullptr;
    Record record;
    record.flag(report.connected);
    for (const std::string* fact : {&report.driverName, &report.driverVersion, &report.dbmsName, &report.dbmsVersion}) {
        record.text(*fact);
    }
    record.number(static_cast<std::int32_t>(report.diagnostics.size()));
    for (const DiagnosticRecord& diagnostic : report.diagnostics) {
        record.text(diagnostic.state);
        record.number(static_cast<std::int32_t>(diagnostic.nativeError));
        record.text(diagnostic.message);
    }
    return record.toJava(env);
}

jcharArray javaTestTarget(JNIEnv* env, jstring name, jint scope) {
    std::string text;
    if (!takeLongText(env, name, "name", message::kNameIsNull, message::kNameIsInvalid, text)) return nullptr;
    std::optional<Scope> taken;
    if (scope == static_cast<jint>(Scope::user) || scope == static_cast<jint>(Scope::system)) taken = static_cast<Scope>(scope);
    TestTarget target;
    if (raiseFailure(env, findTestTarget(text, taken, target), message::kReadConfiguration)) return nullptr;
    Record record;
    record.number(static_cast<std::int32_t>(target.verdict));
    record.text(target.reason);
    record.text(target.driver);
    record.flag(target.hideUserDataSources);
    return record.toJava(env);
}

jcharArray javaDiagnosis(JNIEnv* env, jobjectArray ignore) {
    std::vector<std::string> ignored;
    const jsize count = ignore == nullptr ? 0 : env->GetArrayLength(ignore);
    for (jsize i = 0; i < count; ++i) {
        LocalRef<jstring> each(env, static_cast<jstring>(env->GetObjectArrayElement(ignore, i)));
        if (env->ExceptionCheck()) return nullptr;
        if (!each) continue;
        if (copyLongJavaString(env, each.get(), ignored.emplace_back()) != TextStatus::ok) {
            if (!env->ExceptionCheck()) {
                throwError(env, message::kDiagnoseFailed,
                           Status::failure("a finding to ignore holds a character the platform's text cannot carry"));
            }
            return nullptr;
        }
    }
    std::vector<Finding> findings;
    if (raiseFailure(env, diagnoseConfiguration(ignored, findings), message::kDiagnoseFailed)) return nullptr;
    Record record;
    record.number(static_cast<std::int32_t>(findings.size()));
    for (const Finding& finding : findings) {
        record.number(static_cast<std::int32_t>(finding.severity));
        record.text(finding.code);
        record.text(finding.subject);
        record.text(finding.reason);
        record.text(finding.mend);
    }
    return record.toJava(env);
}

}  // namespace rireve
