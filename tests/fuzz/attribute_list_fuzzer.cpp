// The attribute list scan, given any bytes up to a list buffer's size: it
// never reads outside them, and every key and value it yields is a run of
// them holding no NUL (and, for keys, no "=").
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "base/text_rules.h"
#include "catalog/attribute_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    size = size < rireve::kTextBufferSize ? size : rireve::kTextBufferSize;
    // A heap block of exactly the input's size, so that AddressSanitizer
    // catches a single byte read past it.
    std::unique_ptr<char[]> list(new char[size == 0 ? 1 : size]);
    std::memcpy(list.get(), data, size);
    const char* begin = list.get();
    const char* end = begin + size;
    auto within = [&](std::string_view run) {
        return run.data() >= begin && run.data() + run.size() <= end &&
               run.find('\0') == std::string_view::npos;
    };
    rireve::scanAttributeList(std::string_view(begin, size), [&](std::string_view key, std::string_view value) {
        if (!within(key) || !within(value) || key.find('=') != std::string_view::npos) std::abort();
        return true;
    });
    return 0;
}
