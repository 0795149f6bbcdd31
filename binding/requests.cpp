#include "binding/requests.h"

#include <string>
#include <string_view>

#include "binding/frame.h"
#include "binding/local_ref.h"
#include "binding/request_options.h"
#include "binding/system_property.h"
#include "binding/text.h"

namespace rireve {
namespace {

constexpr char kUnrepresentable[] =
    "holds a character the platform's text cannot carry (NUL, a lone surrogate, or on Windows one outside the ANSI "
    "code page)";

// Raises the message with the reason as its cause; the caller returns its
// neutral value.
bool refuse(JNIEnv* env, const Message& message, const std::string& reason) {
    throwError(env, message, Status::failure(reason));
    return false;
}

bool checkNotNull(JNIEnv* env, jstring name, jstring driver) {
    if (name == nullptr) return refuse(env, message::kNameIsNull, "the name argument is null");
    if (driver == nullptr) return refuse(env, message::kDriverIsNull, "the driver argument is null");
    return true;
}

// A description that cannot be carried as driver manager text names no
// installed driver: the request is refused as the installer would refuse it.
bool takeDriver(JNIEnv* env, jstring driver, Request& request, const Message& refusal) {
    std::size_t length = 0;
    const TextStatus status = copyJavaString(env, driver, request.driver, sizeof request.driver, &length);
    if (status == TextStatus::javaException) return false;
    if (status == TextStatus::tooLong) return refuse(env, refusal, "the driver name is longer than 1023 bytes");
    if (status != TextStatus::ok) return refuse(env, refusal, std::string("the driver name ") + kUnrepresentable);
    if (length == 0) return refuse(env, refusal, "the driver name is empty");
    return true;
}

// Takes the name from the VM into `out` and checks it.
bool takeName(JNIEnv* env, jstring name, char (&out)[kMaxNameBytes + 1], std::size_t& length) {
    const TextStatus status = copyJavaString(env, name, out, sizeof out, &length);
    if (status == TextStatus::javaException) return false;
    if (status == TextStatus::tooLong) return refuse(env, message::kNameIsInvalid, "the name is longer than 32 bytes");
    if (status != TextStatus::ok) return refuse(env, message::kNameIsInvalid, std::string("the name ") + kUnrepresentable);
    const std::string whyName = whyNameIsInvalid(std::string_view(out, length));
    return whyName.empty() || refuse(env, message::kNameIsInvalid, whyName);
}

std::string textTooLong() {
    return "DSN=name;attributes would be longer than " + std::to_string(kMaxAttributeTextBytes) + " bytes";
}

// Writes the request's text of the name and the attributes (null for none),
// raising the message of the first check that fails.
bool composeText(JNIEnv* env, std::string_view nameText, const std::string_view* attributes, Request& request) {
    switch (composeAttributeText(nameText, attributes, request.text)) {
        case TextCheck::invalidName: return refuse(env, message::kNameIsInvalid, whyNameIsInvalid(nameText));
        case TextCheck::tooLong: return refuse(env, message::kAttributesTooLong, textTooLong());
        case TextCheck::invalidAttributes:
            return refuse(env, message::kAttributesInvalid,
                          whyAttributeTextIsInvalid(attributes != nullptr ? *attributes : std::string_view()));
        case TextCheck::ok: return true;
    }
    return false;
}

// Takes the name and the attributes (null for none) from the VM and writes
// the request's text, raising the message of the first check that fails.
bool takeText(JNIEnv* env, jstring name, jstring attributes, Request& request) {
    std::size_t nameLength = 0;
    if (!takeName(env, name, request.name, nameLength)) return false;
    char attributeBytes[kTextBufferSize];
    std::size_t attributesLength = 0;
    if (attributes != nullptr) {
        switch (copyJavaString(env, attributes, attributeBytes, sizeof attributeBytes, &attributesLength)) {
            case TextStatus::javaException: return false;
            case TextStatus::tooLong: return refuse(env, message::kAttributesTooLong, textTooLong());
            case TextStatus::notRepresentable:
                return refuse(env, message::kAttributesInvalid, std::string("the attribute text ") + kUnrepresentable);
            case TextStatus::ok: break;
        }
    }
    const std::string_view attributeText(attributeBytes, attributesLength);
    return composeText(env, std::string_view(request.name, nameLength), attributes != nullptr ? &attributeText : nullptr,
                       request);
}


// One Java string of an entry, as the reader would trim it.
bool takeEntryText(JNIEnv* env, jobjectArray array, jsize index, std::string& text) {
    LocalRef<jstring> string(env, static_cast<jstring>(env->GetObjectArrayElement(array, index)));
    if (env->ExceptionCheck()) return false;
    if (!string) return refuse(env, message::kAttributesInvalid, "an entry's key or value is null");
    char bytes[kTextBufferSize];
    std::size_t length = 0;
    switch (copyJavaString(env, string.get(), bytes, sizeof bytes, &length)) {
        case TextStatus::javaException: return false;
        case TextStatus::tooLong:
            return refuse(env, message::kAttributesTooLong, "an entry's key or value is longer than " +
                                                                std::to_string(kMaxLineBytes) + " bytes");
        case TextStatus::notRepresentable:
            return refuse(env, message::kAttributesInvalid, std::string("an entry ") + kUnrepresentable);
        case TextStatus::ok: break;
    }
    text = std::string(trimBlanks(std::string_view(bytes, length)));
    return true;
}

// Adds the edit, once its key and value pass every check.
bool takeEdit(JNIEnv* env, EntryEdit edit, EntryOwner owner, std::vector<EntryEdit>& edits) {
    const std::string_view value = edit.value ? std::string_view(*edit.value) : std::string_view();
    const std::string why = whyEntryIsInvalid(edit.key, edit.value ? &value : nullptr, owner);
    if (!why.empty()) return refuse(env, message::kAttributesInvalid, why);
    const std::string tooLong = edit.value ? whyEntryIsTooLong(edit.key, value) : std::string();
    if (!tooLong.empty()) return refuse(env, message::kAttributesTooLong, tooLong);
    for (const EntryEdit& earlier : edits) {
        if (sameProfileName(earlier.key, edit.key)) {
            return refuse(env, message::kAttributesInvalid, "the key " + edit.key + " is given twice");
        }
    }
    edits.push_back(std::move(edit));
    return true;
}

bool takeEdits(JNIEnv* env, jobjectArray array, bool setting, EntryOwner owner, std::vector<EntryEdit>& edits) {
    if (array == nullptr) return true;
    const jsize count = env->GetArrayLength(array);
    if (setting && count % 2 != 0) return refuse(env, message::kAttributesInvalid, "an entry to set has no value");
    for (jsize i = 0; i < count; i += setting ? 2 : 1) {
        EntryEdit edit;
        if (!takeEntryText(env, array, i, edit.key)) return false;
        if (setting && !takeEntryText(env, array, i + 1, edit.value.emplace())) return false;
        if (!takeEdit(env, std::move(edit), owner, edits)) return false;
    }
    return true;
}

// Takes the name and the entries (keys and values by turns, or null for
// none) and composes the installer's text of them, with the checks and
// messages of a registration's attribute text.
bool takeEntriesText(JNIEnv* env, jstring name, jobjectArray entries, Registration& registration) {
    std::size_t nameLength = 0;
    if (!takeName(env, name, registration.request.name, nameLength)) return false;
    const jsize count = entries == nullptr ? 0 : env->GetArrayLength(entries);
    if (count % 2 != 0) return refuse(env, message::kAttributesInvalid, "an entry to set has no value");
    for (jsize i = 0; i < count; i += 2) {
        auto& [key, value] = registration.entries.emplace_back();
        if (!takeEntryText(env, entries, i, key) || !takeEntryText(env, entries, i + 1, value)) return false;
    }
    std::string joined;
    std::string why;
    if (joinEntries(registration.entries, joined, why) != TextCheck::ok) {
        return refuse(env, message::kAttributesInvalid, why);
    }
    const std::string_view attributes(joined);
    return composeText(env, std::string_view(registration.request.name, nameLength),
                       entries != nullptr ? &attributes : nullptr, registration.request);
}

// The helper program as the Java side provides it (ConnectionProbe): its
// path, or why there is none.
Status findHelperProgram(JNIEnv* env, std::string& program) {
    LocalRef<jclass> probe(env, env->FindClass("com/nq/odbc/ConnectionProbe"));
    if (!probe) return Status::failure("the class com.nq.odbc.ConnectionProbe cannot be loaded");
    const jmethodID find = env->GetStaticMethodID(probe.get(), "programForSetup", "()[Ljava/lang/String;");
    if (find == nullptr) return Status::failure("ConnectionProbe has no programForSetup()");
    LocalRef<jobjectArray> found(env, static_cast<jobjectArray>(env->CallStaticObjectMethod(probe.get(), find)));
    if (env->ExceptionCheck() || !found) return Status::failure("the helper program cannot be provided");
    const jsize length = env->GetArrayLength(found.get());
    for (jsize i = 0; i < length && i < 2; ++i) {
        LocalRef<jstring> text(env, static_cast<jstring>(env->GetObjectArrayElement(found.get(), i)));
        if (env->ExceptionCheck()) return Status::failure("the helper program cannot be provided");
        if (!text) continue;
        const char* chars = env->GetStringUTFChars(text.get(), nullptr);
        if (chars == nullptr) return Status::failure("the helper program's path cannot be read");
        const std::string value(chars);
        env->ReleaseStringUTFChars(text.get(), chars);
        // {path}, or {null, why not}.
        if (i == 1) return Status::failure(value);
        program = value;
    }
    return {};
}

}  // namespace

bool takeRegistration(JNIEnv* env, jstring name, jstring driver, jobjectArray entries, Registration& registration) {
    return checkNotNull(env, name, driver) && takeEntriesText(env, name, entries, registration) &&
           takeDriver(env, driver, registration.request, message::kRegisterRefused);
}

bool takeRegistration(JNIEnv* env, jstring name, jstring driver, jstring attributes, Request& request) {
    return checkNotNull(env, name, driver) && takeText(env, name, attributes, request) &&
           takeDriver(env, driver, request, message::kRegisterRefused);
}

bool takeRemoval(JNIEnv* env, jstring name, jstring driver, Request& request) {
    return checkNotNull(env, name, driver) && takeText(env, name, nullptr, request) &&
           takeDriver(env, driver, request, message::kRemoveRefused);
}

bool takeScope(JNIEnv* env, jint scope, Scope& taken, const Message& refusal) {
    if (scope != static_cast<jint>(Scope::user) && scope != static_cast<jint>(Scope::system)) {
        return refuse(env, refusal, "the scope " + std::to_string(scope) + " is neither user (1) nor system (2)");
    }
    taken = static_cast<Scope>(scope);
    return true;
}

bool takeEntryEdits(JNIEnv* env, jstring name, jobjectArray set, jobjectArray unset, EntryRequest& request) {
    if (name == nullptr) return refuse(env, message::kNameIsNull, "the name argument is null");
    std::size_t length = 0;
    return takeName(env, name, request.name, length) &&
           takeEntryEdits(env, set, unset, EntryOwner::dataSource, request.edits);
}

bool takeEntryEdits(JNIEnv* env, jobjectArray set, jobjectArray unset, EntryOwner owner, std::vector<EntryEdit>& edits) {
    return takeEdits(env, set, true, owner, edits) && takeEdits(env, unset, false, owner, edits);
}

bool takeLongText(JNIEnv* env, jstring text, std::string_view what, const Message& ifNull, const Message& ifInvalid,
                  std::string& out) {
    if (text == nullptr) return refuse(env, ifNull, "the " + std::string(what) + " is null");
    const TextStatus status = copyLongJavaString(env, text, out);
    if (status == TextStatus::javaException) return false;
    if (status != TextStatus::ok) return refuse(env, ifInvalid, "the " + std::string(what) + " " + kUnrepresentable);
    return true;
}

Status readSetupOptions(JNIEnv* env, RequestOptions& options) {
    options.setup.enabled = true;
    options.setup.findProgram = [env](std::string& program) { return findHelperProgram(env, program); };
    std::string text;
    if (!readSystemProperty(env, kSetupTimeoutProperty, text)) return {};
    return takeSetupTimeout(text, options);
}

bool refuseRequest(JNIEnv* env, const Message& refusal, const std::string& reason) {
    return refuse(env, refusal, reason);
}

bool requestEdits(JNIEnv* env, const EntryRequest& request) {
    return runRequest(
        env, message::kConfigureRefused, [&](const RequestOptions& options) { return editEntries(request, options); },
        SetupPlace::child);
}

bool requestAddition(JNIEnv* env, const Request& request) {
    return runRequest(env, message::kRegisterRefused,
                      [&](const RequestOptions& options) { return addDataSource(request, options); });
}

bool requestAddition(JNIEnv* env, const Registration& registration) {
    return runRequest(
        env, message::kRegisterRefused,
        [&](const RequestOptions& options) { return addDataSource(registration, options); }, SetupPlace::child);
}

bool requestRemoval(JNIEnv* env, const Request& request, SetupPlace place) {
    return runRequest(
        env, message::kRemoveRefused, [&](const RequestOptions& options) { return removeDataSource(request, options); },
        place);
}

}  // namespace rireve
