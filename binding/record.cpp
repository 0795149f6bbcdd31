#include "binding/record.h"

#include <algorithm>

#include "base/text_rules.h"
#include "binding/java_objects.h"
#include "binding/platform_text.h"

namespace rireve {

void Record::number(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    units_.push_back(static_cast<char16_t>(bits >> 16));
    units_.push_back(static_cast<char16_t>(bits & 0xFFFF));
}

void Record::text(std::string_view bytes) {
    // Room for the length and a unit per byte (decoding never makes more),
    // then the length once the units are known.
    const std::size_t at = units_.size();
    units_.resize(at + 2 + bytes.size());
    const std::size_t count = decodePlatformText(bytes, units_.data() + at + 2);
    units_.resize(at + 2 + count);
    const auto bits = static_cast<std::uint32_t>(count);
    units_[at] = static_cast<char16_t>(bits >> 16);
    units_[at + 1] = static_cast<char16_t>(bits & 0xFFFF);
}

void Record::bufferText(std::string_view bytes) {
    text(bytes.substr(0, std::min({bytes.size(), bytes.find('\0'), kTextBufferSize})));
}

void Record::texts(const std::vector<std::string>& texts) {
    number(static_cast<std::int32_t>(texts.size()));
    for (const std::string& each : texts) text(each);
}

jcharArray Record::toJava(JNIEnv* env) const {
    jcharArray array = env->NewCharArray(static_cast<jsize>(units_.size()));
    if (vmCallFailed(env, array)) return nullptr;
    env->SetCharArrayRegion(array, 0, static_cast<jsize>(units_.size()), reinterpret_cast<const jchar*>(units_.data()));
    if (!env->ExceptionCheck()) return array;
    env->DeleteLocalRef(array);
    return nullptr;
}

}  // namespace rireve
