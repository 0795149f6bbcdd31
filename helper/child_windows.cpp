#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include "helper/child.h"

namespace rireve {

void prepareChild() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

// The parent kills the process past its timeout; Windows has no alarm.
void limitChild(unsigned) {}

}  // namespace rireve
