#include "binding/configuration_lock.h"

namespace rireve {

std::shared_mutex& configurationLock() {
    static std::shared_mutex lock;
    return lock;
}

}  // namespace rireve
