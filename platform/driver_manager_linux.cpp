// Linux: the driver managers a system may have, and the choice among them by
// the library this process has loaded (the one each library of the natives
// links).
#include <dlfcn.h>

#include <iterator>

#include "platform/driver_manager.h"

namespace rireve {
namespace {

// In order of preference; a new driver manager is one more line here.
const DriverManager* const kDriverManagers[] = {
    &kUnixOdbc,
};

bool isLoaded(const char* library) {
    void* module = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    if (module == nullptr) return false;
    dlclose(module);
    return true;
}

}  // namespace

const DriverManager& chooseDriverManager(const DriverManager* const* managers, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (isLoaded(managers[i]->library)) return *managers[i];
    }
    return *managers[0];
}

const DriverManager& driverManager() {
    static const DriverManager& chosen = chooseDriverManager(kDriverManagers, std::size(kDriverManagers));
    return chosen;
}

}  // namespace rireve
