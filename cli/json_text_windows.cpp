// Windows: the narrow ODBC functions and the arguments speak the ANSI code
// page, through UTF-16 to UTF-8.
#include <windows.h>

#include "cli/json_text.h"

namespace rireve {

std::string utf8Of(std::string_view text) {
    if (text.empty() || GetACP() == CP_UTF8) return std::string(text);
    const int size = static_cast<int>(text.size());
    std::wstring wide(text.size(), L'\0');
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), size);
    if (units <= 0) return std::string(text);
    const int needed = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

}  // namespace rireve
