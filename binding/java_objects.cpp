#include "binding/java_objects.h"

#include <cstdarg>

namespace rireve {

JavaConstructor::JavaConstructor(JNIEnv* env, const char* className, const char* signature)
    : type_(env, env->FindClass(className)) {
    if (vmCallFailed(env, type_.get())) return;
    id_ = env->GetMethodID(type_.get(), "<init>", signature);
    if (env->ExceptionCheck()) id_ = nullptr;
}

jobject JavaConstructor::create(JNIEnv* env, ...) const {
    va_list arguments;
    va_start(arguments, env);
    jobject object = env->NewObjectV(type_.get(), id_, arguments);
    va_end(arguments);
    if (!env->ExceptionCheck()) return object;
    if (object != nullptr) env->DeleteLocalRef(object);
    return nullptr;
}

}  // namespace rireve
