// The registration text and the name check, given any name and attribute
// bytes: the text never leaves its buffer, an accepted name holds no
// forbidden character, and an accepted text is exactly "DSN=" + name
// (+ ";" + attributes) followed by two NUL bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "installer/attribute_text.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

// Input: one byte of name length, one byte whose low bit says whether there
// are attributes, the name, then the attributes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t nameLength = data[0] < size - 2 ? data[0] : size - 2;
    const bool hasAttributes = (data[1] & 1) != 0;
    const std::string_view name(reinterpret_cast<const char*>(data) + 2, nameLength);
    const std::string_view attributes(reinterpret_cast<const char*>(data) + 2 + nameLength, size - 2 - nameLength);

    rireve::AttributeText text;
    const rireve::TextCheck result = rireve::composeAttributeText(name, hasAttributes ? &attributes : nullptr, text);
    check(text.size() <= rireve::kMaxAttributeTextBytes);
    check(text.bytes()[text.size()] == '\0' && text.bytes()[text.size() + 1] == '\0');
    if (result != rireve::TextCheck::ok) return 0;

    check(rireve::isValidDataSourceName(name));
    check(!name.empty() && name.size() <= rireve::kMaxNameBytes);
    check(name.find_first_of("[]{}(),;?*=!@\\") == std::string_view::npos);
    std::string expected = "DSN=" + std::string(name);
    if (hasAttributes) expected += ";" + std::string(attributes);
    check(std::string_view(text.bytes(), text.size()) == expected);
    return 0;
}
