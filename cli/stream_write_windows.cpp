#include <io.h>

#include <cerrno>

#include "cli/stream_write.h"

namespace rireve {

int writeAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const unsigned chunk = bytes.size() > 1U << 20 ? 1U << 20 : static_cast<unsigned>(bytes.size());
        const int written = _write(descriptor, bytes.data(), chunk);
        if (written < 0) return errno;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// Windows raises no signal for a closed pipe: the write fails with EPIPE (or EINVAL).
void ignoreBrokenPipe() {}

}  // namespace rireve
