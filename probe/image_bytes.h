// A library file's bytes, read whole, and a bounds-checked view of them:
// every header and table of an image is read through it, so that a damaged
// file is an answer, never a crash.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "base/status.h"
#include "probe/library_image.h"

namespace rireve {

// The file's bytes, or its first `limit` bytes; fails with the path and errno.
Status readImageFile(const std::string& path, std::string& bytes, std::size_t limit = SIZE_MAX);

// Whether the file is an image built for the target's processor and word
// size, read from its headers alone: the loader passes over one that is not.
bool fitsTarget(const std::string& path, const LibraryImage& target);

class ImageBytes {
public:
    explicit ImageBytes(std::string_view all) : all_(all) {}

    std::size_t size() const { return all_.size(); }

    template <typename T>
    bool read(std::uint64_t offset, T& out) const {
        if (offset > all_.size() || all_.size() - offset < sizeof(T)) return false;
        std::memcpy(&out, all_.data() + offset, sizeof(T));
        return true;
    }

    // The NUL-terminated text at `offset` within [table, table + size).
    std::optional<std::string> text(std::uint64_t table, std::uint64_t size, std::uint64_t offset) const {
        if (table > all_.size() || size > all_.size() - table || offset >= size) return std::nullopt;
        const char* start = all_.data() + table + offset;
        const std::size_t most = static_cast<std::size_t>(size - offset);
        const std::size_t length = strnlen(start, most);
        if (length == most) return std::nullopt;
        return std::string(start, length);
    }

private:
    std::string_view all_;
};

}  // namespace rireve
