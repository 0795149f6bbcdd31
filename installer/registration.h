// Registration and removal of user data sources through the installer.
// Each request is taken from the VM and checked first, then carried out on
// an ODBC environment of its own; on failure a Java exception is pending.
#pragma once

#include <jni.h>

#include "binding/text.h"
#include "installer/attribute_text.h"

namespace rireve {

// Everything a request needs, checked before the installer is asked.
struct Request {
    AttributeText text;
    char name[kMaxNameBytes + 1];
    char driver[kTextBufferSize];
};

// Takes and checks a registration's name, driver and attributes (null for none).
bool takeRegistration(JNIEnv* env, jstring name, jstring driver, jstring attributes, Request& request);

// Takes and checks a removal's name and driver.
bool takeRemoval(JNIEnv* env, jstring name, jstring driver, Request& request);

// Asks the installer to add the data source; true once it has.
bool addDataSource(JNIEnv* env, const Request& request);

// Asks the installer to remove the data source; true once it has.
bool removeDataSource(JNIEnv* env, const Request& request);

}  // namespace rireve
