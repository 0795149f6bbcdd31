// The installer attribute text of a registration or removal request:
// "DSN=" + name, and ";" + attributes when the caller gives them, followed by
// NUL bytes, so that it forms an installer attribute list of one entry.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/text_rules.h"

namespace rireve {

// ODBC's limit on a data source name (SQL_MAX_DSN_LENGTH).
inline constexpr std::size_t kMaxNameBytes = 32;

// The text must leave two NUL bytes in its buffer to end the list.
inline constexpr std::size_t kMaxAttributeTextBytes = kTextBufferSize - 2;

// The installer's own rule for a data source name: not empty, at most 32
// bytes, none of []{}(),;?*=!@\ . Control characters are refused too: a line
// break in a name would split the section header of the profile file. So are
// blanks at either end, which the profile reader would trim away, and the
// names of the driver manager's own sections, [ODBC] and [ODBC Data Sources].
bool isValidDataSourceName(std::string_view name);

// Attribute text may not break the profile file's lines either, nor hold a
// key that, trimmed as the profile reader trims it, is the request's own DSN
// or Driver (in any letter case), or starts a section or a comment.
bool isValidAttributeText(std::string_view attributes);

// Which rule the name or the attribute text breaks, in one line; empty when
// it breaks none.
std::string whyNameIsInvalid(std::string_view name);
std::string whyAttributeTextIsInvalid(std::string_view attributes);

// Which rule an entry to set (with its value) or take out (without) breaks,
// its key and value trimmed as the reader trims them; empty when none.
std::string whyEntryIsInvalid(std::string_view key, const std::string_view* value);

// Whose entry it is: a data source's may not be DSN or Driver (the request
// gives those apart); a driver's Driver is its library, and the driver
// manager's settings have no key of their own.
enum class EntryOwner { dataSource, driver, settings };
std::string whyEntryIsInvalid(std::string_view key, const std::string_view* value, EntryOwner owner);

// The rule for a driver's name, where it is a section name: not empty, no
// control character, no [ or ], no blank at either end, not the driver
// manager's own [ODBC], and a header line that unixODBC reads back whole.
// Empty when it breaks none.
std::string whyDriverNameIsInvalid(std::string_view name);

// Why an entry to set is too long: as `key=value` it must fit one line of at
// most 999 bytes. Empty when it fits.
std::string whyEntryIsTooLong(std::string_view key, std::string_view value);

class AttributeText {
public:
    AttributeText();

    const char* bytes() const { return bytes_; }
    std::size_t size() const { return size_; }

    // Appends if the whole text stays within kMaxAttributeTextBytes.
    bool append(std::string_view text);

private:
    char bytes_[kTextBufferSize];
    std::size_t size_ = 0;
};

enum class TextCheck { ok, invalidName, tooLong, invalidAttributes };

// The attribute text of entries given as pairs, KEY=VALUE joined by ";",
// into `joined`; empty when none. Refused (invalidAttributes, `why` saying
// why) when a key or value holds what the text cannot carry.
TextCheck joinEntries(const std::vector<std::pair<std::string, std::string>>& entries, std::string& joined,
                      std::string& why);

// Checks the name and the attributes (null for none) and, when both pass,
// writes the request's text into `text`, which must be new.
TextCheck composeAttributeText(std::string_view name, const std::string_view* attributes, AttributeText& text);

}  // namespace rireve
