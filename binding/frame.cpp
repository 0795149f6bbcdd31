#include "binding/frame.h"

#include "binding/local_ref.h"
#include "binding/text.h"

namespace rireve {

namespace {

constexpr char kThrowable[] = "java/lang/Throwable";
constexpr char kOdbcException[] = "com/nq/odbc/ODBCException";
constexpr char kReason[] = "com/nq/odbc/ODBCException$Reason";
constexpr char kReasonSignature[] = "Lcom/nq/odbc/ODBCException$Reason;";
constexpr char kCause[] = "com/nq/odbc/ODBCException$Cause";

thread_local Raises raising = Raises::throwable;

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

// The ODBCException.Reason constant of that name.
jobject reasonConstant(JNIEnv* env, const char* name) {
    LocalRef<jclass> type(env, env->FindClass(kReason));
    if (!type) return nullptr;
    const jfieldID constant = env->GetStaticFieldID(type.get(), name, kReasonSignature);
    if (constant == nullptr) return nullptr;
    return env->GetStaticObjectField(type.get(), constant);
}

// Null with an exception pending when the VM fails.
jobject newFailure(JNIEnv* env, const Message& message, const Status& cause) {
    LocalRef<jobject> reason(env, reasonConstant(env, message.reason));
    if (!reason) return nullptr;
    const std::string& why = cause.reason();
    LocalRef<jstring> whyText(env, newLongJavaString(env, why));
    if (!whyText) return nullptr;
    LocalRef<jobject> because(env, newObject(env, kCause, "(Ljava/lang/String;Lcom/nq/odbc/ODBCException$Reason;)V",
                                             whyText.get(), reason.get()));
    if (!because) return nullptr;
    LocalRef<jstring> messageText(env, newJavaString(env, message.text));
    if (!messageText) return nullptr;
    if (raising == Raises::throwable) {
        return newObject(env, kThrowable, "(Ljava/lang/String;Ljava/lang/Throwable;)V", messageText.get(),
                         because.get());
    }
    return newObject(env, kOdbcException,
                     "(Ljava/lang/String;Lcom/nq/odbc/ODBCException$Reason;Ljava/lang/Throwable;)V", messageText.get(),
                     reason.get(), because.get());
}

}  // namespace

RaisingAs::RaisingAs(Raises raises) : previous_(raising) { raising = raises; }

RaisingAs::~RaisingAs() { raising = previous_; }

void throwError(JNIEnv* env, const Message& message, const Status& cause) {
    if (env->ExceptionCheck()) return;
    LocalRef<jobject> error(env, newFailure(env, message, cause));
    if (!error) return;
    env->Throw(static_cast<jthrowable>(error.get()));
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
