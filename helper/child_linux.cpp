#include <sys/prctl.h>
#include <csignal>
#include <unistd.h>

#include "helper/child.h"

namespace rireve {

void prepareChild() {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may be gone already, before the line above.
    if (getppid() == 1) _exit(3);
}

void limitChild(unsigned timeoutSeconds) {
    if (timeoutSeconds > 0) alarm(timeoutSeconds + 5);
}

}  // namespace rireve
