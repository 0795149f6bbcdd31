// The rules of the configuration's text, in one place: how long a text the
// driver manager hands over may be, and the rules unixODBC's profile reader
// applies (what a blank is, how names compare, how long a line may be).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rireve {

// Every text received from the driver manager, and the installer attribute
// text, lives in a buffer of this many bytes.
inline constexpr std::size_t kTextBufferSize = 1024;

// unixODBC reads a line into 1000 bytes with its terminating NUL, and copies
// an entry into 1001 bytes without ending it when the entry fills them: a
// longer line comes back cut short, or is written from beyond its buffer.
inline constexpr std::size_t kMaxLineBytes = 999;

// Space, tab and the line breaks, as isspace in the C locale.
inline bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The text without the blanks at either end, as the reader trims keys and values.
inline std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The reader compares section and key names without regard to letter case
// (ASCII letters only, as strcasecmp in the C locale).
bool sameProfileName(std::string_view a, std::string_view b);

// The name in lower case: equal for names that sameProfileName finds equal.
std::string foldProfileName(std::string_view name);

// A hash of the name, equal for names that sameProfileName finds equal.
std::size_t hashProfileName(std::string_view name);

}  // namespace rireve
