// Windows: conversion between UTF-16 and the ANSI code page, which the
// narrow ODBC functions speak.
#pragma once

#include <cstddef>
#include <string_view>

#include "binding/text.h"

namespace rireve {

// Encodes UTF-16 units in the ANSI code page into `out`, NUL-terminated.
// A character the code page lacks is refused (notRepresentable), never
// replaced by a look-alike or "?", so that a name never silently changes.
TextStatus encodeAnsi(const wchar_t* units, std::size_t count, char* out, std::size_t capacity,
                      std::size_t* length);

// Decodes ANSI code page bytes into UTF-16 units; `out` needs room for
// bytes.size() units. Returns the number of units written.
std::size_t decodeAnsi(std::string_view bytes, wchar_t* out);

}  // namespace rireve
