// Text between Java strings and the driver manager's byte strings.
//
// The byte form is the platform's: UTF-8 on Linux, the ANSI code page where
// the narrow ODBC functions speak it. Each platform has one implementation
// file behind this interface.
#pragma once

#include <string>
#include <string_view>

#include <jni.h>

#include <cstddef>

#include "base/text_rules.h"

namespace rireve {

enum class TextStatus {
    ok,
    tooLong,           // does not fit the buffer with its terminating NUL
    notRepresentable,  // has a character the byte form cannot carry (NUL among them)
    javaException,     // the VM raised an exception; it is pending
};

// Copies a Java string into `out` (at most kTextBufferSize bytes of room),
// NUL-terminated, and stores its length without the NUL in `*length`.
TextStatus copyJavaString(JNIEnv* env, jstring string, char* out, std::size_t capacity,
                          std::size_t* length);

// Makes a Java string of the text in `bytes`, which ends at its first NUL or
// after `capacity` bytes, whichever comes first. Null with an exception
// pending when the VM cannot create it.
jstring newJavaString(JNIEnv* env, const char* bytes, std::size_t capacity = kTextBufferSize);

// The same for texts of any length: a connection string, a report.
TextStatus copyLongJavaString(JNIEnv* env, jstring string, std::string& out);
jstring newLongJavaString(JNIEnv* env, std::string_view bytes);

}  // namespace rireve
