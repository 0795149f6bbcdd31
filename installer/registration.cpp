#include "installer/registration.h"

#include <string>
#include <string_view>

#include "binding/frame.h"
#include "installer/installer.h"
#include "installer/request_options.h"

namespace rireve {
namespace {

constexpr char kUnrepresentable[] =
    "holds a character the platform's text cannot carry (NUL, a lone surrogate, or on Windows one outside the ANSI "
    "code page)";

// Raises the message with the reason as its cause; the caller returns its
// neutral value.
bool refuse(JNIEnv* env, const char* message, const std::string& reason) {
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
bool takeDriver(JNIEnv* env, jstring driver, Request& request, const char* refusal) {
    std::size_t length = 0;
    const TextStatus status = copyJavaString(env, driver, request.driver, sizeof request.driver, &length);
    if (status == TextStatus::javaException) return false;
    if (status == TextStatus::tooLong) return refuse(env, refusal, "the driver name is longer than 1023 bytes");
    if (status != TextStatus::ok) return refuse(env, refusal, std::string("the driver name ") + kUnrepresentable);
    if (length == 0) return refuse(env, refusal, "the driver name is empty");
    return true;
}

// Takes the name and the attributes (null for none) from the VM and writes
// the request's text, raising the message of the first check that fails.
bool takeText(JNIEnv* env, jstring name, jstring attributes, Request& request) {
    std::size_t nameLength = 0;
    const TextStatus nameStatus = copyJavaString(env, name, request.name, sizeof request.name, &nameLength);
    if (nameStatus == TextStatus::javaException) return false;
    const std::string_view nameText(request.name, nameLength);
    if (nameStatus == TextStatus::tooLong) return refuse(env, message::kNameIsInvalid, "the name is longer than 32 bytes");
    if (nameStatus != TextStatus::ok) return refuse(env, message::kNameIsInvalid, std::string("the name ") + kUnrepresentable);
    const std::string whyName = whyNameIsInvalid(nameText);
    if (!whyName.empty()) return refuse(env, message::kNameIsInvalid, whyName);
    char attributeBytes[kTextBufferSize];
    std::size_t attributesLength = 0;
    const std::string tooLong = "DSN=name;attributes would be longer than " + std::to_string(kMaxAttributeTextBytes) + " bytes";
    if (attributes != nullptr) {
        switch (copyJavaString(env, attributes, attributeBytes, sizeof attributeBytes, &attributesLength)) {
            case TextStatus::javaException: return false;
            case TextStatus::tooLong: return refuse(env, message::kAttributesTooLong, tooLong);
            case TextStatus::notRepresentable:
                return refuse(env, message::kAttributesInvalid, std::string("the attribute text ") + kUnrepresentable);
            case TextStatus::ok: break;
        }
    }
    const std::string_view attributeText(attributeBytes, attributesLength);
    switch (composeAttributeText(nameText, attributes != nullptr ? &attributeText : nullptr, request.text)) {
        case TextCheck::invalidName: return refuse(env, message::kNameIsInvalid, whyName);
        case TextCheck::tooLong: return refuse(env, message::kAttributesTooLong, tooLong);
        case TextCheck::invalidAttributes:
            return refuse(env, message::kAttributesInvalid, whyAttributeTextIsInvalid(attributeText));
        case TextCheck::ok: return true;
    }
    return false;
}

// One installer request on an environment of its own; a refusal carries its
// reason as the exception's cause.
bool runInstallerRequest(JNIEnv* env, WORD code, const Request& request, const char* refusal) {
    RequestOptions options;
    Status status = readRequestOptions(env, options);
    if (env->ExceptionCheck()) return false;
    if (!status.ok()) return refuse(env, refusal, status.reason());
    return withOdbcEnvironment(env, [&](SQLHENV) {
        const Status done = configDataSource(nullptr, code, request.driver, request.text.bytes(), options);
        if (!done.ok()) throwError(env, refusal, done);
        return done.ok();
    });
}

}  // namespace

bool takeRegistration(JNIEnv* env, jstring name, jstring driver, jstring attributes, Request& request) {
    return checkNotNull(env, name, driver) && takeText(env, name, attributes, request) &&
           takeDriver(env, driver, request, message::kRegisterRefused);
}

bool takeRemoval(JNIEnv* env, jstring name, jstring driver, Request& request) {
    return checkNotNull(env, name, driver) && takeText(env, name, nullptr, request) &&
           takeDriver(env, driver, request, message::kRemoveRefused);
}

bool addDataSource(JNIEnv* env, const Request& request) {
    return runInstallerRequest(env, ODBC_ADD_DSN, request, message::kRegisterRefused);
}

bool removeDataSource(JNIEnv* env, const Request& request) {
    return runInstallerRequest(env, ODBC_REMOVE_DSN, request, message::kRemoveRefused);
}

}  // namespace rireve
