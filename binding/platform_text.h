// The platform's byte form of text, behind the Java string conversion of
// text.h: standard UTF-8 on Linux, the ANSI code page on Windows. One
// implementation file per platform.
#pragma once

#include <cstddef>
#include <string_view>

#include "binding/text.h"

namespace rireve {

// Encodes UTF-16 units into `out`, NUL-terminated. A character the byte form
// cannot carry, NUL among them, is refused (notRepresentable), never replaced,
// so that a name never silently changes. On failure `out` holds an empty text.
TextStatus encodePlatformText(const char16_t* units, std::size_t count, char* out, std::size_t capacity,
                              std::size_t* length);

// Decodes bytes into UTF-16 units; `out` needs room for bytes.size() units.
// Malformed bytes become U+FFFD. Returns the number of units written.
std::size_t decodePlatformText(std::string_view bytes, char16_t* out);

}  // namespace rireve
