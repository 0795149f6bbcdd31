#include "binding/frame.h"

#include "binding/local_ref.h"
#include "binding/text.h"

namespace rireve {

void throwError(JNIEnv* env, const char* message) {
    if (env->ExceptionCheck()) return;
    LocalRef<jclass> throwable(env, env->FindClass("java/lang/Throwable"));
    if (!throwable) return;  // FindClass left its own exception pending
    env->ThrowNew(throwable.get(), message);
}

void throwError(JNIEnv* env, const char* message, const Status& cause) {
    if (env->ExceptionCheck()) return;
    LocalRef<jclass> throwable(env, env->FindClass("java/lang/Throwable"));
    if (!throwable) return;
    const jmethodID withCause =
        env->GetMethodID(throwable.get(), "<init>", "(Ljava/lang/String;Ljava/lang/Throwable;)V");
    const jmethodID withMessage = env->GetMethodID(throwable.get(), "<init>", "(Ljava/lang/String;)V");
    if (withCause == nullptr || withMessage == nullptr) return;
    LocalRef<jstring> reasonText(env, newJavaString(env, cause.reason().data(), cause.reason().size()));
    if (!reasonText) return;
    LocalRef<jobject> reason(env, env->NewObject(throwable.get(), withMessage, reasonText.get()));
    if (!reason) return;
    LocalRef<jstring> messageText(env, newJavaString(env, message));
    if (!messageText) return;
    LocalRef<jobject> error(env, env->NewObject(throwable.get(), withCause, messageText.get(), reason.get()));
    if (!error) return;
    env->Throw(static_cast<jthrowable>(error.get()));
}

OdbcEnvironment::OdbcEnvironment() : allocated_(odbcSucceeded(SQLAllocEnv(&handle_))) {}

OdbcEnvironment::~OdbcEnvironment() {
    if (allocated_) SQLFreeEnv(handle_);
}

bool OdbcEnvironment::release() {
    if (!allocated_) return true;
    allocated_ = false;
    return odbcSucceeded(SQLFreeEnv(handle_));
}

}  // namespace rireve
