// The ANSI code page conversion, run under Wine with code page 1252.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "binding/platform_text.h"

namespace {

int failures = 0;

void expect(bool condition, const char* what) {
    if (!condition) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}

rireve::TextStatus encode(const std::u16string& text, char* out, std::size_t capacity, std::size_t* length) {
    return rireve::encodePlatformText(text.data(), text.size(), out, capacity, length);
}

}  // namespace

int main() {
    expect(GetACP() == 1252, "the ANSI code page is 1252 (LANG=en_US.UTF-8)");
    char out[16];
    std::size_t length = 0;

    expect(encode(u"D\u00e4t\u00e4", out, sizeof out, &length) == rireve::TextStatus::ok, "1252 text encodes");
    expect(length == 4 && std::memcmp(out, "D\xe4t\xe4", 5) == 0, "one byte each, NUL-terminated");
    char16_t back[16];
    const std::size_t units = rireve::decodePlatformText(std::string_view(out, length), back);
    expect(units == 4 && std::u16string(back, units) == u"D\u00e4t\u00e4", "and decodes back");
    expect(rireve::decodePlatformText(std::string_view("\x80", 1), back) == 1 && back[0] == u'\u20ac', "0x80 is the euro sign");

    expect(encode(u"a\u0101", out, sizeof out, &length) == rireve::TextStatus::notRepresentable,
           "a character outside the code page is refused, not replaced");
    expect(encode(u"\U0001F600", out, sizeof out, &length) == rireve::TextStatus::notRepresentable,
           "a character beyond the BMP is refused");
    expect(out[0] == '\0' && length == 0, "a refusal leaves an empty text");
    expect(encode(std::u16string{u'a', static_cast<char16_t>(0xD800)}, out, sizeof out, &length) ==
               rireve::TextStatus::notRepresentable,
           "an unpaired surrogate is refused");
    expect(encode(std::u16string(u"a\0b", 3), out, sizeof out, &length) == rireve::TextStatus::notRepresentable,
           "a NUL is refused");

    expect(encode(u"abc", out, 4, &length) == rireve::TextStatus::ok, "three bytes and the NUL fit four");
    expect(encode(u"abcd", out, 4, &length) == rireve::TextStatus::tooLong, "four do not");
    expect(encode(u"", out, 1, &length) == rireve::TextStatus::ok && out[0] == '\0', "the empty text");

    std::printf("%d passed, %d failed\n", 13 - failures, failures);
    return failures == 0 ? 0 : 1;
}
