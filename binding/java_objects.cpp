#include "binding/java_objects.h"

namespace rireve {

JavaConstructor::JavaConstructor(JNIEnv* env, const char* className, const char* signature)
    : type_(env, env->FindClass(className)) {
    if (vmCallFailed(env, type_.get())) return;
    id_ = env->GetMethodID(type_.get(), "<init>", signature);
    if (env->ExceptionCheck()) id_ = nullptr;
}

}  // namespace rireve
