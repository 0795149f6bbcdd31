// The ELF reader of the diagnosis, given any bytes as a driver's library:
// it never reads outside them, and what it accepts is a 32- or 64-bit image
// with its exports sorted for the lookup.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "probe/library_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A heap block of exactly the input's size, so that AddressSanitizer
    // catches a single byte read past it.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    rireve::LibraryImage image;
    const rireve::Status parsed = rireve::parseLibraryImage("/fuzz/lib.so", bytes, image);
    if (!parsed.ok()) return 0;
    if (image.wordSize != 32 && image.wordSize != 64) std::abort();
    if (!std::is_sorted(image.exported.begin(), image.exported.end())) std::abort();
    for (const std::string& name : image.exported) {
        if (!image.exports(name)) std::abort();
    }
    return 0;
}
