#include "binding/java_state.h"

#include <string>

#include "binding/frame.h"
#include "binding/record.h"
#include "binding/requests.h"
#include "binding/text.h"
#include "state/state.h"

namespace rireve {
namespace {

bool takeState(JNIEnv* env, jstring text, StateDocument& document) {
    if (text == nullptr) return refuseRequest(env, message::kStateIsNull, "the state argument is null");
    std::string bytes;
    const TextStatus status = copyLongJavaString(env, text, bytes);
    if (status == TextStatus::javaException) return false;
    if (status != TextStatus::ok) {
        return refuseRequest(env, message::kStateInvalid, "the state holds a character the platform's text cannot carry");
    }
    Status parsed = parseStateText(bytes, document);
    return parsed.ok() || refuseRequest(env, message::kStateInvalid, parsed.reason());
}

// A failed plan raises as its fault says.
bool raiseFault(JNIEnv* env, const Status& status, StateFault fault) {
    if (status.ok()) return false;
    const Message& message = fault == StateFault::configuration ? message::kReadConfiguration : message::kStateInvalid;
    return raiseFailure(env, Outcome::of(status), message);
}

void writeOptional(Record& record, const std::optional<std::string>& text) {
    record.flag(text.has_value());
    if (text) record.text(*text);
}

void writeChanges(Record& record, const std::vector<StateChange>& changes) {
    record.number(static_cast<std::int32_t>(changes.size()));
    for (const StateChange& change : changes) {
        record.text(change.file);
        record.text(change.section);
        record.text(change.key);
        writeOptional(record, change.before);
        writeOptional(record, change.after);
        record.number(static_cast<std::int32_t>(change.kind));
    }
}

}  // namespace

jstring javaExportState(JNIEnv* env, jboolean reveal) {
    StateDocument document;
    if (raiseFailure(env, Outcome::of(exportState(reveal == JNI_TRUE, document)), message::kReadConfiguration)) return nullptr;
    // Bytes the configuration holds that are not UTF-8 cannot be JSON text: each is replaced.
    return newLongJavaString(env, document.dump(2, ' ', false, StateDocument::error_handler_t::replace));
}

jcharArray javaPlanState(JNIEnv* env, jstring state, jboolean prune, jboolean diffs) {
    StateDocument document;
    if (!takeState(env, state, document)) return nullptr;
    StateOptions options;
    options.prune = prune == JNI_TRUE;
    options.diffs = diffs == JNI_TRUE;
    StatePlan plan;
    const Status planned = planState(document, options, plan);
    if (raiseFault(env, planned, plan.fault)) return nullptr;
    Record record;
    writeChanges(record, plan.changes);
    record.number(static_cast<std::int32_t>(plan.diffs.size()));
    for (const FileDiff& diff : plan.diffs) {
        record.text(diff.file);
        record.text(diff.text);
    }
    return record.toJava(env);
}

jcharArray javaApplyState(JNIEnv* env, jstring state, jboolean check, jboolean prune) {
    StateDocument document;
    if (!takeState(env, state, document)) return nullptr;
    StateOptions options;
    options.check = check == JNI_TRUE;
    options.prune = prune == JNI_TRUE;
    ApplyReport report;
    Status applied;
    if (!runRequest(env, message::kApplyStateRefused, [&](const RequestOptions& request) {
            options.request = request;
            applied = applyState(document, options, report);
            return Outcome();
        }))
        return nullptr;
    if (raiseFault(env, applied, report.fault)) return nullptr;
    Record record;
    record.flag(report.changed);
    writeChanges(record, report.changes);
    record.texts(report.restored);
    writeOptional(record, report.failure.empty() ? std::nullopt : std::optional<std::string>(report.failure));
    return record.toJava(env);
}

}  // namespace rireve
