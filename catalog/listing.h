// The two passes of a listing, shared by the driver and data source
// catalogues, and the array every listing fills: count the entries, then build one object per entry on the same
// environment. The driver manager starts its list again from the first entry
// once it has reported the end, so the second pass sees the whole list anew.
#pragma once

#include <jni.h>

#include "binding/frame.h"
#include "binding/java_objects.h"
#include "binding/local_ref.h"

namespace rireve {

// Entry has a member `bool fetchNext(SQLHENV)` that reads the next entry of
// the list into itself; build(entry) makes its Java object, or null
// with an exception pending.
template <typename Entry, typename Build>
jobjectArray listEntries(JNIEnv* env, const JavaConstructor& type, Build build) {
    LocalRef<jobjectArray> result(env, nullptr);
    const bool listed = withOdbcEnvironment(env, [&](SQLHENV odbc) {
        Entry entry;
        jsize count = 0;
        while (entry.fetchNext(odbc)) ++count;
        result.reset(env->NewObjectArray(count, type.type(), nullptr));
        if (vmCallFailed(env, result.get())) return false;
        // Entries beyond the count (added since the counting pass) are left
        // out; entries that vanished leave their elements null.
        for (jsize i = 0; i < count && entry.fetchNext(odbc); ++i) {
            LocalRef<jobject> element(env, build(entry));
            if (vmCallFailed(env, element.get())) return false;
            env->SetObjectArrayElement(result.get(), i, element.get());
            if (env->ExceptionCheck()) return false;
        }
        return true;
    });
    return listed ? result.release() : nullptr;
}

// Walks the list on an environment of its own until an entry matches, and
// builds that entry's object; null when none matches.
template <typename Entry, typename Matches, typename Build>
jobject lookupEntry(JNIEnv* env, Matches matches, Build build) {
    LocalRef<jobject> object(env, nullptr);
    const bool looked = withOdbcEnvironment(env, [&](SQLHENV odbc) {
        Entry entry;
        bool found = false;
        while (!found && entry.fetchNext(odbc)) found = matches(entry);
        object.reset(found ? build(entry) : nullptr);
        return !env->ExceptionCheck();
    });
    return looked ? object.release() : nullptr;
}

// An array of `count` elements of that type, each made by build(i) (null
// with an exception pending on failure); null with an exception pending
// when one fails.
template <typename Build>
jobjectArray buildArray(JNIEnv* env, jclass type, std::size_t count, Build build) {
    LocalRef<jobjectArray> array(env, env->NewObjectArray(static_cast<jsize>(count), type, nullptr));
    if (vmCallFailed(env, array.get())) return nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        LocalRef<jobject> element(env, build(i));
        if (vmCallFailed(env, element.get())) return nullptr;
        env->SetObjectArrayElement(array.get(), static_cast<jsize>(i), element.get());
        if (env->ExceptionCheck()) return nullptr;
    }
    return array.release();
}

}  // namespace rireve
