#include <windows.h>

#include "binding/ansi.h"

namespace rireve {

TextStatus encodeAnsi(const wchar_t* units, std::size_t count, char* out, std::size_t capacity,
                      std::size_t* length) {
    *length = 0;
    if (capacity > 0) out[0] = '\0';
    for (std::size_t i = 0; i < count; ++i) {
        if (units[i] == L'\0') return TextStatus::notRepresentable;
    }
    if (count == 0) return capacity > 0 ? TextStatus::ok : TextStatus::tooLong;
    // With UTF-8 as the ANSI code page, Windows takes no default-character
    // flag, but reports characters it cannot encode as an error instead.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int units32 = static_cast<int>(count);
    const int needed = WideCharToMultiByte(CP_ACP, flags, units, units32, nullptr, 0, nullptr, usedDefaultOut);
    if (needed <= 0 || usedDefault) return TextStatus::notRepresentable;
    if (static_cast<std::size_t>(needed) >= capacity) return TextStatus::tooLong;
    WideCharToMultiByte(CP_ACP, flags, units, units32, out, needed, nullptr, usedDefaultOut);
    out[needed] = '\0';
    *length = static_cast<std::size_t>(needed);
    return TextStatus::ok;
}

std::size_t decodeAnsi(std::string_view bytes, wchar_t* out) {
    if (bytes.empty()) return 0;
    const int size = static_cast<int>(bytes.size());
    const int written = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, out, size);
    return written > 0 ? static_cast<std::size_t>(written) : 0;
}

}  // namespace rireve
