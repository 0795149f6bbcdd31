// The process's standard streams, per platform.
#pragma once

#include <string_view>

namespace rireve {

// Writes all of the bytes to the descriptor (1 or 2); 0, or the errno of
// the write that failed.
int writeAll(int descriptor, std::string_view bytes);

// A write to a closed pipe fails with EPIPE rather than ending the process
// by a signal, so that the program decides what it means.
void ignoreBrokenPipe();

}  // namespace rireve
