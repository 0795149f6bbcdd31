#include "installer/registration.h"

#include <string_view>

#include "binding/configuration_lock.h"
#include "binding/frame.h"
#include "binding/text.h"
#include "catalog/catalog.h"
#include "installer/attribute_text.h"
#include "installer/installer.h"

namespace rireve {
namespace {

// Everything a request needs, checked before the installer is asked.
struct Request {
    AttributeText text;
    char name[kMaxNameBytes + 1];
    char driver[kTextBufferSize];
};

bool checkNotNull(JNIEnv* env, jstring name, jstring driver) {
    if (name == nullptr) {
        throwError(env, message::kNameIsNull);
        return false;
    }
    if (driver == nullptr) {
        throwError(env, message::kDriverIsNull);
        return false;
    }
    return true;
}

bool takeName(JNIEnv* env, jstring name, Request& request) {
    std::size_t length = 0;
    const TextStatus status = copyJavaString(env, name, request.name, sizeof request.name, &length);
    if (status == TextStatus::javaException) return false;
    if (status != TextStatus::ok || !isValidDataSourceName(std::string_view(request.name, length))) {
        throwError(env, message::kNameIsInvalid);
        return false;
    }
    request.text.append(std::string_view(request.name, length));
    return true;
}

// A description that cannot be carried as driver manager text names no
// installed driver: the request is refused as the installer would refuse it.
bool takeDriver(JNIEnv* env, jstring driver, Request& request, const char* refusal) {
    std::size_t length = 0;
    const TextStatus status = copyJavaString(env, driver, request.driver, sizeof request.driver, &length);
    if (status == TextStatus::javaException) return false;
    if (status != TextStatus::ok || length == 0) {
        throwError(env, refusal);
        return false;
    }
    return true;
}

bool takeAttributes(JNIEnv* env, jstring attributes, Request& request) {
    if (!request.text.append(";")) {
        throwError(env, message::kAttributesTooLong);
        return false;
    }
    std::size_t length = 0;
    const TextStatus status = copyJavaString(env, attributes, request.text.end(), request.text.room(), &length);
    if (status == TextStatus::javaException) return false;
    if (status == TextStatus::tooLong) {
        throwError(env, message::kAttributesTooLong);
        return false;
    }
    if (status != TextStatus::ok || !isValidAttributeText(std::string_view(request.text.end(), length))) {
        throwError(env, message::kAttributesInvalid);
        return false;
    }
    request.text.commit(length);
    return true;
}

// One installer request on an environment of its own, alone among this
// process's requests and listings.
bool runInstallerRequest(JNIEnv* env, WORD code, const Request& request, const char* refusal) {
    WritingConfiguration writing;
    OdbcEnvironment odbc;
    if (!odbc.allocated()) {
        throwError(env, message::kAllocateEnvironment);
        return false;
    }
    if (!configDataSource(nullptr, code, request.driver, request.text.bytes())) {
        throwError(env, refusal);
        return false;
    }
    if (!odbc.release()) {
        throwError(env, message::kFreeEnvironment);
        return false;
    }
    return true;
}

}  // namespace

jobject registerDataSource(JNIEnv* env, jstring name, jstring driver, jstring attributes) {
    Request request;
    if (!checkNotNull(env, name, driver)) return nullptr;
    if (!takeName(env, name, request)) return nullptr;
    if (!takeDriver(env, driver, request, message::kRegisterRefused)) return nullptr;
    if (attributes != nullptr && !takeAttributes(env, attributes, request)) return nullptr;
    if (!runInstallerRequest(env, ODBC_ADD_DSN, request, message::kRegisterRefused)) return nullptr;
    ReadingConfiguration reading;
    return lookupDataSource(env, request.name);
}

bool unregisterDataSource(JNIEnv* env, jstring name, jstring driver) {
    Request request;
    if (!checkNotNull(env, name, driver)) return false;
    if (!takeName(env, name, request)) return false;
    if (!takeDriver(env, driver, request, message::kRemoveRefused)) return false;
    return runInstallerRequest(env, ODBC_REMOVE_DSN, request, message::kRemoveRefused);
}

}  // namespace rireve
