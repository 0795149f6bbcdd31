#include "binding/system_property.h"

#include "binding/local_ref.h"

namespace rireve {

bool readSystemProperty(JNIEnv* env, const char* name, std::string& value) {
    LocalRef<jclass> system(env, env->FindClass("java/lang/System"));
    if (!system) return false;
    const jmethodID getProperty =
        env->GetStaticMethodID(system.get(), "getProperty", "(Ljava/lang/String;)Ljava/lang/String;");
    if (getProperty == nullptr) return false;
    LocalRef<jstring> key(env, env->NewStringUTF(name));
    if (!key) return false;
    LocalRef<jstring> text(env, static_cast<jstring>(env->CallStaticObjectMethod(system.get(), getProperty, key.get())));
    if (env->ExceptionCheck() || !text) return false;
    const char* chars = env->GetStringUTFChars(text.get(), nullptr);
    if (chars == nullptr) return false;
    value = chars;
    env->ReleaseStringUTFChars(text.get(), chars);
    return true;
}

}  // namespace rireve
