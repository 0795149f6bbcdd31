// Requests taken from Java: each is taken from the VM and checked first,
// then carried out by the installer layer; on failure a Java exception is
// pending.
#pragma once

#include <jni.h>

#include <vector>

#include "binding/frame.h"
#include "catalog/scope.h"
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

// Makes the change; true once it is made.
bool requestEdits(JNIEnv* env, const EntryRequest& request);

// Asks the installer to add the data source; true once it has.
bool requestAddition(JNIEnv* env, const Request& request);

// Registers the data source with its entries; true once it is registered.
bool requestAddition(JNIEnv* env, const Registration& registration);

// Asks the installer to remove the data source; true once it has.
bool requestRemoval(JNIEnv* env, const Request& request);

}  // namespace rireve
