#include "installer/attribute_text.h"

#include <algorithm>
#include <cstring>

#include "profile/profile_text.h"

namespace rireve {
namespace {

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

bool isHostileKey(std::string_view pair) {
    const std::string_view key = trimBlanks(pair.substr(0, pair.find('=')));
    if (key.empty()) return false;
    return key.front() == '[' || key.front() == '#' || key.front() == ';' || sameProfileName(key, "DSN") ||
           sameProfileName(key, "Driver");
}

}  // namespace

bool isValidDataSourceName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameBytes) return false;
    if (name.front() == ' ' || name.back() == ' ') return false;
    for (char c : name) {
        if (isControl(c) || std::strchr("[]{}(),;?*=!@\\", c) != nullptr) return false;
    }
    return true;
}

bool isValidAttributeText(std::string_view attributes) {
    if (attributes.find_first_of("\r\n") != std::string_view::npos) return false;
    for (std::size_t start = 0; start <= attributes.size();) {
        const std::size_t end = std::min(attributes.find(';', start), attributes.size());
        if (isHostileKey(attributes.substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}

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

TextCheck composeAttributeText(std::string_view name, const std::string_view* attributes, AttributeText& text) {
    if (!isValidDataSourceName(name)) return TextCheck::invalidName;
    text.append(name);
    if (attributes == nullptr) return TextCheck::ok;
    if (!text.append(";") || !text.append(*attributes)) return TextCheck::tooLong;
    if (!isValidAttributeText(*attributes)) return TextCheck::invalidAttributes;
    return TextCheck::ok;
}

}  // namespace rireve
