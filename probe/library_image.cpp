#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "probe/image_bytes.h"
#include "probe/library_image.h"

namespace rireve {

Status readImageFile(const std::string& path, std::string& bytes, std::size_t limit) {
    bytes.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return Status::systemFailure("cannot open", path, errno);
    char buffer[1 << 16];
    for (std::size_t got; bytes.size() < limit &&
                          (got = std::fread(buffer, 1, std::min(sizeof buffer, limit - bytes.size()), file)) > 0;)
        bytes.append(buffer, got);
    int error = std::ferror(file) ? errno : 0;
    if (std::fclose(file) != 0 && error == 0) error = errno;
    if (error != 0) return Status::systemFailure("cannot read", path, error);
    return {};
}

Status readLibraryImage(const std::string& path, LibraryImage& image) {
    std::string contents;
    if (Status read = readImageFile(path, contents); !read.ok()) {
        image = LibraryImage{};
        image.path = path;
        return read;
    }
    return parseLibraryImage(path, contents, image);
}

bool fitsTarget(const std::string& path, const LibraryImage& target) {
    // The headers that say the target lie within the first page (ELF's at 0,
    // PE's where the DOS header points, in practice within it).
    std::string headers;
    LibraryImage image;
    return readImageFile(path, headers, 4096).ok() && parseLibraryImage(path, headers, image).ok() &&
           image.sameTarget(target);
}

bool LibraryImage::exports(std::string_view name) const {
    return std::binary_search(exported.begin(), exported.end(), name,
                              [](std::string_view a, std::string_view b) { return a < b; });
}

}  // namespace rireve
