#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "cli/stream_write.h"

namespace rireve {

int writeAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return errno;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

void ignoreBrokenPipe() { (void)std::signal(SIGPIPE, SIG_IGN); }

}  // namespace rireve
