// Registration and removal of user data sources through the installer.
// Each request is taken from the VM and checked first, then carried out on
// an ODBC environment of its own; on failure a Java exception is pending.
#pragma once

#include <jni.h>

#include <vector>

#include "binding/frame.h"
#include "binding/text.h"
#include "catalog/scope.h"
#include "installer/attribute_text.h"
#include "profile/profile.h"

namespace rireve {

// Everything a request needs, checked before the installer is asked.
struct Request {
    AttributeText text;
    char name[kMaxNameBytes + 1];
    char driver[kTextBufferSize];
    Scope scope = Scope::user;
};

// A change to a data source's own entries, checked before it is made.
struct EntryRequest {
    char name[kMaxNameBytes + 1];
    Scope scope = Scope::user;
    std::vector<EntryEdit> edits;
};

// Takes a scope as Java gives it (DataSource.Scope's value); a scope that is
// neither user nor system raises `refusal`.
bool takeScope(JNIEnv* env, jint scope, Scope& taken, const Message& refusal);

// Takes and checks a registration's name, driver and attributes (null for none).
bool takeRegistration(JNIEnv* env, jstring name, jstring driver, jstring attributes, Request& request);

// Takes and checks a removal's name and driver.
bool takeRemoval(JNIEnv* env, jstring name, jstring driver, Request& request);

// Takes and checks the name, the entries to set (keys and values by turns)
// and the keys to take out (either may be null).
bool takeEntryEdits(JNIEnv* env, jstring name, jobjectArray set, jobjectArray unset, EntryRequest& request);

// Makes the change; true once it is made.
bool editEntries(JNIEnv* env, const EntryRequest& request);

// Asks the installer to add the data source; true once it has.
bool addDataSource(JNIEnv* env, const Request& request);

// Asks the installer to remove the data source; true once it has.
bool removeDataSource(JNIEnv* env, const Request& request);

}  // namespace rireve
