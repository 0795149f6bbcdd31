#include "installer/attribute_text.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/text_rules.h"

namespace rireve {
namespace {

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// The rules every key must keep, trimmed as the reader trims it: it may not
// start a section or a comment, nor be a data source's own DSN or Driver.
enum class KeyRule { kept, startsSectionOrComment, ownKey };

KeyRule checkKey(std::string_view key) {
    if (!key.empty() && (key.front() == '[' || key.front() == '#' || key.front() == ';')) {
        return KeyRule::startsSectionOrComment;
    }
    if (sameProfileName(key, "DSN") || sameProfileName(key, "Driver")) return KeyRule::ownKey;
    return KeyRule::kept;
}

// Why a key breaks a rule; `ownKey` says why in the words of the request.
std::string whyKeyBreaksARule(std::string_view key, const char* ownKey) {
    switch (checkKey(key)) {
        case KeyRule::kept: return {};
        case KeyRule::startsSectionOrComment:
            return "the key " + std::string(key) + " would start a section or a comment in the profile file";
        case KeyRule::ownKey: return "the key " + std::string(key) + ownKey;
    }
    return {};
}

std::string whyHostileKey(std::string_view pair) {
    return whyKeyBreaksARule(trimBlanks(pair.substr(0, pair.find('='))),
                             " is the request's own: the name and the driver are given apart");
}

}  // namespace

std::string whyNameIsInvalid(std::string_view name) {
    if (name.empty()) return "the name is empty";
    if (name.size() > kMaxNameBytes) return "the name is longer than 32 bytes";
    if (name.front() == ' ' || name.back() == ' ') return "the name begins or ends with a blank";
    // Registering either would overwrite the driver manager's own section.
    if (sameProfileName(name, "ODBC") || sameProfileName(name, "ODBC Data Sources")) {
        return "the name " + std::string(name) + " is the driver manager's own section, not a data source";
    }
    for (char c : name) {
        if (isControl(c)) return "the name holds a control character";
        if (std::strchr("[]{}(),;?*=!@\\", c) != nullptr) {
            return "the name holds " + std::string(1, c) + ", one of []{}(),;?*=!@\\ that names may not hold";
        }
    }
    return {};
}

std::string whyAttributeTextIsInvalid(std::string_view attributes) {
    if (attributes.find_first_of("\r\n") != std::string_view::npos) return "the attribute text holds a line break";
    for (std::size_t start = 0; start <= attributes.size();) {
        const std::size_t end = std::min(attributes.find(';', start), attributes.size());
        std::string why = whyHostileKey(attributes.substr(start, end - start));
        if (!why.empty()) return why;
        start = end + 1;
    }
    return {};
}

std::string whyEntryIsInvalid(std::string_view key, const std::string_view* value) {
    return whyEntryIsInvalid(key, value, EntryOwner::dataSource);
}

std::string whyDriverNameIsInvalid(std::string_view name) {
    if (name.empty()) return "the driver's name is empty";
    if (name.size() + 2 > kMaxLineBytes) return "the driver's name is longer than a section header's line holds";
    if (name.front() == ' ' || name.back() == ' ') return "the driver's name begins or ends with a blank";
    if (sameProfileName(name, "ODBC")) return "ODBC is the driver manager's own section, not a driver";
    for (char c : name) {
        if (isControl(c)) return "the driver's name holds a control character";
        if (c == '[' || c == ']') return "the driver's name holds " + std::string(1, c) + ", which ends a section's name";
    }
    return {};
}

std::string whyEntryIsInvalid(std::string_view key, const std::string_view* value, EntryOwner owner) {
    if (key.empty()) return "an entry's key is empty";
    const std::string quoted = "the key " + std::string(key);
    if (key.find('=') != std::string_view::npos) return quoted + " holds =, which ends a key";
    if (key.find_first_of("\r\n") != std::string_view::npos) return quoted + " holds a line break";
    if (value != nullptr && value->find_first_of("\r\n") != std::string_view::npos) {
        return "the value of " + std::string(key) + " holds a line break";
    }
    if (owner != EntryOwner::dataSource && checkKey(key) == KeyRule::ownKey) return {};
    return whyKeyBreaksARule(key, " is the data source's own: register it again to change its driver");
}

std::string whyEntryIsTooLong(std::string_view key, std::string_view value) {
    const std::size_t length = key.size() + 1 + value.size();
    if (length <= kMaxLineBytes) return {};
    return "the entry " + std::string(key) + " is " + std::to_string(length) + " bytes as a line; a line holds at most " +
           std::to_string(kMaxLineBytes) + ", the most unixODBC's reader reads back";
}

bool isValidDataSourceName(std::string_view name) { return whyNameIsInvalid(name).empty(); }

bool isValidAttributeText(std::string_view attributes) { return whyAttributeTextIsInvalid(attributes).empty(); }

AttributeText::AttributeText() {
    std::memset(bytes_, 0, sizeof bytes_);
    append("DSN=");
}

bool AttributeText::append(std::string_view text) {
    if (text.size() > kMaxAttributeTextBytes - size_) return false;
    if (text.empty()) return true;  // its data may be null, which memcpy must not see
    std::memcpy(bytes_ + size_, text.data(), text.size());
    size_ += text.size();
    return true;
}

TextCheck joinEntries(const std::vector<std::pair<std::string, std::string>>& entries, std::string& joined,
                      std::string& why) {
    joined.clear();
    // Named by the character and the key, never the value: it may be a password.
    auto breaks = [&why](const std::string& key, const std::string& text, const char* which, const char* where) {
        const std::size_t at = text.find_first_of(which, 0, std::char_traits<char>::length(which) + 1);
        if (at == std::string::npos) return false;
        why = std::string(where) + key + " holds " + (text[at] == '\0' ? "a NUL character" : std::string(1, text[at])) +
              (text[at] == ';' ? ", which separates the entries" : text[at] == '=' ? ", which ends the key" : "") +
              " of the attribute text";
        return true;
    };
    for (const auto& [key, value] : entries) {
        if (breaks(key, key, "=;", "the key ") || breaks(key, value, ";", "the value of ")) {
            return TextCheck::invalidAttributes;
        }
        joined.append(joined.empty() ? "" : ";").append(key).append(1, '=').append(value);
    }
    return TextCheck::ok;
}

TextCheck composeAttributeText(std::string_view name, const std::string_view* attributes, AttributeText& text) {
    if (!isValidDataSourceName(name)) return TextCheck::invalidName;
    text.append(name);
    if (attributes == nullptr) return TextCheck::ok;
    if (!text.append(";") || !text.append(*attributes)) return TextCheck::tooLong;
    if (!isValidAttributeText(*attributes)) return TextCheck::invalidAttributes;
    return TextCheck::ok;
}

}  // namespace rireve
