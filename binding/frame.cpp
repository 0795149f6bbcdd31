#include "binding/frame.h"

#include "binding/local_ref.h"

namespace rireve {

void throwError(JNIEnv* env, const char* message) {
    if (env->ExceptionCheck()) return;
    LocalRef<jclass> throwable(env, env->FindClass("java/lang/Throwable"));
    if (!throwable) return;  // FindClass left its own exception pending
    env->ThrowNew(throwable.get(), message);
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
