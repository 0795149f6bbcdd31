#include "binding/frame.h"

#include "binding/local_ref.h"
#include "binding/text.h"

namespace rireve {

namespace {

constexpr char kThrowable[] = "java/lang/Throwable";
constexpr char kCause[] = "com/nq/odbc/ODBCException$Cause";

// A new object of the class, made with the constructor of that signature;
// null with an exception pending when the VM fails.
template <typename... Arguments>
jobject newObject(JNIEnv* env, const char* className, const char* signature, Arguments... arguments) {
    LocalRef<jclass> type(env, env->FindClass(className));
    if (!type) return nullptr;  // FindClass left its own exception pending
    const jmethodID constructor = env->GetMethodID(type.get(), "<init>", signature);
    if (constructor == nullptr) return nullptr;
    return env->NewObject(type.get(), constructor, arguments...);
}

}  // namespace

void throwError(JNIEnv* env, const Message& message, const Status& cause) {
    if (env->ExceptionCheck()) return;
    const std::string& why = cause.reason();
    LocalRef<jstring> reasonText(env, newJavaString(env, why.data(), why.size()));
    if (!reasonText) return;
    LocalRef<jobject> reason(env, newObject(env, kCause, "(Ljava/lang/String;I)V", reasonText.get(),
                                            static_cast<jint>(message.kind)));
    if (!reason) return;
    LocalRef<jstring> messageText(env, newJavaString(env, message.text));
    if (!messageText) return;
    LocalRef<jobject> error(env, newObject(env, kThrowable, "(Ljava/lang/String;Ljava/lang/Throwable;)V",
                                           messageText.get(), reason.get()));
    if (!error) return;
    env->Throw(static_cast<jthrowable>(error.get()));
}

void raiseAsOdbcException(JNIEnv* env) {
    LocalRef<jthrowable> raised(env, env->ExceptionOccurred());
    if (!raised) return;
    env->ExceptionClear();
    LocalRef<jclass> type(env, env->FindClass("com/nq/odbc/ODBCException"));
    if (!type) return;  // FindClass left its own exception pending
    const jmethodID of = env->GetStaticMethodID(type.get(), "of", "(Ljava/lang/Throwable;)Lcom/nq/odbc/ODBCException;");
    if (of == nullptr) return;
    LocalRef<jobject> typed(env, env->CallStaticObjectMethod(type.get(), of, raised.get()));
    if (typed && !env->ExceptionCheck()) env->Throw(static_cast<jthrowable>(typed.get()));
}

bool raiseFailure(JNIEnv* env, const Outcome& outcome, const Message& work) {
    switch (outcome.step) {
        case Step::none: return false;
        case Step::allocate: throwError(env, message::kAllocateEnvironment, outcome.status); break;
        case Step::release: throwError(env, message::kFreeEnvironment, outcome.status); break;
        case Step::work: throwError(env, work, outcome.status); break;
    }
    return true;
}

}  // namespace rireve
