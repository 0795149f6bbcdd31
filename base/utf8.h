// Standard UTF-8 <-> UTF-16 conversion for text crossing the JNI boundary.
//
// The VM's own "modified UTF-8" (GetStringUTFChars/NewStringUTF) differs from
// the UTF-8 that other ODBC programs write: it encodes characters beyond the
// Basic Multilingual Plane as two 3-byte surrogates and NUL as C0 80, and it
// misreads 4-byte sequences. These functions speak the standard form.
#pragma once

#include <cstddef>
#include <string_view>

namespace rireve {

// Decodes bytes into UTF-16 code units. Malformed input becomes U+FFFD, one
// for each maximal ill-formed subpart, as the Unicode standard recommends.
// Never produces more units than there are bytes, so `out` needs room for
// bytes.size() units. Returns the number of units written.
std::size_t decodeUtf8(std::string_view bytes, char16_t* out);

enum class EncodeStatus {
    ok,
    tooLong,          // the text and its terminating NUL do not fit
    unpairedSurrogate, // no UTF-8 form exists
    embeddedNul,      // would end the text early on the C side
};

// Encodes UTF-16 code units as UTF-8 into `out`, NUL-terminated. On success
// `*length` is the number of bytes before the NUL; on failure `out` holds an
// empty text.
EncodeStatus encodeUtf8(const char16_t* units, std::size_t count, char* out, std::size_t capacity,
                        std::size_t* length);

}  // namespace rireve
