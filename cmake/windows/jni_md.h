/* The machine-dependent part of the JNI headers for Windows, for building
 * the Windows libraries with a JDK of another platform: its jni.h is the same
 * everywhere, and includes this file.
 *
 * The 32-bit VM looks native methods up by their decorated stdcall names
 * (_Java_..._method@8); the 32-bit library exports exactly those through a
 * module definition file, so nothing is marked for export here. */
#ifndef RIREVE_WINDOWS_JNI_MD_H
#define RIREVE_WINDOWS_JNI_MD_H

#ifdef _WIN64
#define JNIEXPORT __declspec(dllexport)
#else
#define JNIEXPORT
#endif
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif
