// The ANSI code page conversion, run under Wine with code page 1252.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "binding/ansi.h"

namespace {

int failures = 0;

void expect(bool condition, const char* what) {
    if (!condition) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}

rireve::TextStatus encode(const std::wstring& text, char* out, std::size_t capacity, std::size_t* length) {
    return rireve::encodeAnsi(text.data(), text.size(), out, capacity, length);
}

}  // namespace

int main() {
    expect(GetACP() == 1252, "the ANSI code page is 1252 (LANG=en_US.UTF-8)");
    char out[16];
    std::size_t length = 0;

    expect(encode(L"D\u00e4t\u00e4", out, sizeof out, &length) == rireve::TextStatus::ok, "1252 text encodes");
    expect(length == 4 && std::memcmp(out, "D\xe4t\xe4", 5) == 0, "one byte each, NUL-terminated");
    wchar_t back[16];
    const std::size_t units = rireve::decodeAnsi(std::string_view(out, length), back);
    expect(units == 4 && std::wstring(back, units) == L"D\u00e4t\u00e4", "and decodes back");
    expect(rireve::decodeAnsi(std::string_view("\x80", 1), back) == 1 && back[0] == L'\u20ac', "0x80 is the euro sign");

    expect(encode(L"a\u0101", out, sizeof out, &length) == rireve::TextStatus::notRepresentable,
           "a character outside the code page is refused, not replaced");
    expect(encode(L"\U0001F600", out, sizeof out, &length) == rireve::TextStatus::notRepresentable,
           "a character beyond the BMP is refused");
    expect(out[0] == '\0' && length == 0, "a refusal leaves an empty text");
    expect(encode(std::wstring{L'a', static_cast<wchar_t>(0xD800)}, out, sizeof out, &length) ==
               rireve::TextStatus::notRepresentable,
           "an unpaired surrogate is refused");
    expect(encode(std::wstring(L"a\0b", 3), out, sizeof out, &length) == rireve::TextStatus::notRepresentable,
           "a NUL is refused");

    expect(encode(L"abc", out, 4, &length) == rireve::TextStatus::ok, "three bytes and the NUL fit four");
    expect(encode(L"abcd", out, 4, &length) == rireve::TextStatus::tooLong, "four do not");
    expect(encode(L"", out, 1, &length) == rireve::TextStatus::ok && out[0] == '\0', "the empty text");

    std::printf("%d passed, %d failed\n", 13 - failures, failures);
    return failures == 0 ? 0 : 1;
}
