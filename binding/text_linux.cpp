// Linux: the driver manager's text is standard UTF-8.
#include "binding/platform_text.h"
#include "base/utf8.h"

namespace rireve {

TextStatus encodePlatformText(const char16_t* units, std::size_t count, char* out, std::size_t capacity,
                              std::size_t* length) {
    switch (encodeUtf8(units, count, out, capacity, length)) {
        case EncodeStatus::ok: return TextStatus::ok;
        case EncodeStatus::tooLong: return TextStatus::tooLong;
        default: return TextStatus::notRepresentable;
    }
}

std::size_t decodePlatformText(std::string_view bytes, char16_t* out) { return decodeUtf8(bytes, out); }

}  // namespace rireve
