// Requests taken from Java: each is taken from the VM and checked first,
// then carried out by the installer layer; on failure a Java exception is
// pending.
#pragma once

#include <jni.h>

#include <string>
#include <string_view>
#include <vector>

#include "binding/frame.h"
#include "catalog/scope.h"
#include "binding/request_options.h"
#include "installer/registration.h"

namespace rireve {

// Takes a scope as Java gives it (DataSource.Scope's value); a scope that is
// neither user nor system raises `refusal`.
bool takeScope(JNIEnv* env, jint scope, Scope& taken, const Message& refusal);

// Takes and checks a registration's name, driver and attributes (null for none).
bool takeRegistration(JNIEnv* env, jstring name, jstring driver, jstring attributes, Request& request);

// Takes and checks a registration's name, driver and entries (keys and
// values by turns, or null for none).
bool takeRegistration(JNIEnv* env, jstring name, jstring driver, jobjectArray entries, Registration& registration);

// Takes and checks a removal's name and driver.
bool takeRemoval(JNIEnv* env, jstring name, jstring driver, Request& request);

// Takes and checks the name, the entries to set (keys and values by turns)
// and the keys to take out (either may be null).
bool takeEntryEdits(JNIEnv* env, jstring name, jobjectArray set, jobjectArray unset, EntryRequest& request);

// Takes the entries to set (keys and values by turns) and the keys to take
// out, each checked by the rules of their owner.
bool takeEntryEdits(JNIEnv* env, jobjectArray set, jobjectArray unset, EntryOwner owner, std::vector<EntryEdit>& edits);

// Takes a text argument of any length, `what` naming it in a refusal: null
// raises `ifNull`, one the platform's text cannot carry `ifInvalid`.
bool takeLongText(JNIEnv* env, jstring text, std::string_view what, const Message& ifNull, const Message& ifInvalid,
                  std::string& out);

// Raises `refusal` with the reason as its cause; false.
bool refuseRequest(JNIEnv* env, const Message& refusal, const std::string& reason);

// Where a request runs a driver's setup library: in this process (the
// original calls), or in the helper program's child process.
enum class SetupPlace { here, child };

// What a request that runs a setup library in a child takes from the VM: the
// child's wait (kSetupTimeoutProperty), and the helper program, asked of the
// Java side only when a setup library is to run.
Status readSetupOptions(JNIEnv* env, RequestOptions& options);

// A request carried out with the options the VM gives; a refusal carries
// its reason as the exception's cause. True once it is carried out.
template <typename Make>
bool runRequest(JNIEnv* env, const Message& refusal, Make make, SetupPlace place = SetupPlace::here) {
    RequestOptions options;
    Status status = readRequestOptions(env, options);
    if (status.ok() && place == SetupPlace::child && !env->ExceptionCheck()) status = readSetupOptions(env, options);
    if (env->ExceptionCheck()) return false;
    if (!status.ok()) return refuseRequest(env, refusal, status.reason());
    return !raiseFailure(env, make(options), refusal);
}

// Makes the change; true once it is made.
bool requestEdits(JNIEnv* env, const EntryRequest& request);

// Asks the installer to add the data source; true once it has.
bool requestAddition(JNIEnv* env, const Request& request);

// Registers the data source with its entries; true once it is registered.
bool requestAddition(JNIEnv* env, const Registration& registration);

// Asks the installer to remove the data source; true once it has.
bool requestRemoval(JNIEnv* env, const Request& request, SetupPlace place = SetupPlace::here);

}  // namespace rireve
