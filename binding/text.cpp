#include "binding/text.h"

#include <cassert>
#include <cstring>
#include <string_view>
#include <vector>

#include "binding/platform_text.h"

namespace rireve {

static_assert(sizeof(jchar) == sizeof(char16_t), "jchar is a UTF-16 code unit");

TextStatus copyJavaString(JNIEnv* env, jstring string, char* out, std::size_t capacity,
                          std::size_t* length) {
    assert(capacity <= kTextBufferSize);
    *length = 0;
    if (capacity > 0) out[0] = '\0';
    const jsize count = env->GetStringLength(string);
    // Every code unit takes at least one byte, and the NUL one more.
    if (static_cast<std::size_t>(count) >= capacity) return TextStatus::tooLong;
    jchar units[kTextBufferSize];
    env->GetStringRegion(string, 0, count, units);
    if (env->ExceptionCheck()) return TextStatus::javaException;
    return encodePlatformText(reinterpret_cast<const char16_t*>(units), static_cast<std::size_t>(count), out,
                              capacity, length);
}

jstring newJavaString(JNIEnv* env, const char* bytes, std::size_t capacity) {
    // An empty text may come without bytes (an empty string_view's data).
    const std::size_t size = bytes == nullptr ? 0 : strnlen(bytes, capacity < kTextBufferSize ? capacity : kTextBufferSize);
    char16_t units[kTextBufferSize];
    const std::size_t count = decodePlatformText(std::string_view(bytes, size), units);
    return env->NewString(reinterpret_cast<const jchar*>(units), static_cast<jsize>(count));
}

TextStatus copyLongJavaString(JNIEnv* env, jstring string, std::string& out) {
    out.clear();
    const jsize count = env->GetStringLength(string);
    std::vector<jchar> units(static_cast<std::size_t>(count) + 1);
    env->GetStringRegion(string, 0, count, units.data());
    if (env->ExceptionCheck()) return TextStatus::javaException;
    // A UTF-16 unit takes at most three bytes in either byte form.
    std::vector<char> bytes(units.size() * 3 + 1);
    std::size_t length = 0;
    const TextStatus status = encodePlatformText(reinterpret_cast<const char16_t*>(units.data()),
                                                 static_cast<std::size_t>(count), bytes.data(), bytes.size(), &length);
    if (status == TextStatus::ok) out.assign(bytes.data(), length);
    return status;
}

jstring newLongJavaString(JNIEnv* env, std::string_view bytes) {
    std::vector<char16_t> units(bytes.size() + 1);
    const std::size_t count = decodePlatformText(bytes, units.data());
    return env->NewString(reinterpret_cast<const jchar*>(units.data()), static_cast<jsize>(count));
}

}  // namespace rireve
