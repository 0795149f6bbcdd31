// Windows: the narrow ODBC functions speak the ANSI code page.
#include <windows.h>

#include "binding/platform_text.h"

namespace rireve {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is a UTF-16 code unit on Windows");

TextStatus encodePlatformText(const char16_t* units, std::size_t count, char* out, std::size_t capacity,
                              std::size_t* length) {
    *length = 0;
    if (capacity > 0) out[0] = '\0';
    for (std::size_t i = 0; i < count; ++i) {
        if (units[i] == u'\0') return TextStatus::notRepresentable;
    }
    if (count == 0) return capacity > 0 ? TextStatus::ok : TextStatus::tooLong;
    // With UTF-8 as the ANSI code page, Windows takes no default-character
    // flag, but reports characters it cannot encode as an error instead.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const auto* wide = reinterpret_cast<const wchar_t*>(units);
    const int wideCount = static_cast<int>(count);
    const int needed = WideCharToMultiByte(CP_ACP, flags, wide, wideCount, nullptr, 0, nullptr, usedDefaultOut);
    if (needed <= 0 || usedDefault) return TextStatus::notRepresentable;
    if (static_cast<std::size_t>(needed) >= capacity) return TextStatus::tooLong;
    WideCharToMultiByte(CP_ACP, flags, wide, wideCount, out, needed, nullptr, usedDefaultOut);
    out[needed] = '\0';
    *length = static_cast<std::size_t>(needed);
    return TextStatus::ok;
}

std::size_t decodePlatformText(std::string_view bytes, char16_t* out) {
    if (bytes.empty()) return 0;
    const int size = static_cast<int>(bytes.size());
    const int written = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(out), size);
    return written > 0 ? static_cast<std::size_t>(written) : 0;
}

}  // namespace rireve
