#include "binding/java_objects.h"

namespace rireve {

JavaConstructor::JavaConstructor(JNIEnv* env, const char* className, const char* signature)
    : type_(env, env->ExceptionCheck() ? nullptr : env->FindClass(className)) {
    // A lookup after an earlier one failed finds nothing and calls nothing.
    if (vmCallFailed(env, type_.get())) return;
    id_ = env->GetMethodID(type_.get(), "<init>", signature);
    if (env->ExceptionCheck()) id_ = nullptr;
}

}  // namespace rireve
