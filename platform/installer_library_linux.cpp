// Linux: the installer library is the one that belongs to the driver manager
// (driver_manager.h), unless the build names another. There is no dialog to show; the two messages go to
// standard error.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "platform/driver_manager.h"
#include "platform/installer_library.h"
#include "platform/installer_library_name_linux.h"
#include "platform/select_once.h"

namespace rireve {
namespace {

constexpr std::size_t kPathSize = 4096;

// Null until a selection finds the library; never released after.
std::atomic<void*> installerModule{nullptr};

const char* installerLibraryName() {
    return kInstallerLibraryName[0] != '\0' ? kInstallerLibraryName : driverManager().installerLibrary;
}

void* selectInstallerLibrary() { return dlopen(installerLibraryName(), RTLD_NOW | RTLD_LOCAL); }

void* boundInstallerModule() {
    static std::mutex selecting;
    return selectOnce(installerModule, selecting, selectInstallerLibrary);
}

void programPath(char (&path)[kPathSize]) {
    const ssize_t size = readlink("/proc/self/exe", path, sizeof path - 1);
    path[size > 0 ? size : 0] = '\0';
}

const char* modulePath(void* module) {
    struct link_map* map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return installerLibraryName();
    return map->l_name;
}

}  // namespace

InstallerProc findInstallerProc(const char* name) {
    InstallerProc proc;
    void* module = boundInstallerModule();
    if (module == nullptr) {
        proc.library = installerLibraryName();
        return proc;
    }
    proc.library = modulePath(module);
    proc.address = dlsym(module, name);
    proc.result = proc.address != nullptr ? BindResult::bound : BindResult::entryMissing;
    return proc;
}

void tellInstallerUser(const char* name, const InstallerProc& proc) {
    // Nothing more can be done when standard error cannot be written.
    if (proc.result == BindResult::libraryMissing) {
        (void)std::fprintf(stderr,
                           "ODBC Installer Error: The ODBC installer library (%s) is not installed on this system.\n",
                           installerLibraryName());
        return;
    }
    if (proc.result != BindResult::entryMissing) return;
    char program[kPathSize];
    programPath(program);
    (void)std::fprintf(stderr,
                       "ODBC Installer Error: The program %s, or one of its libraries attempted to call the function %s "
                       "which is not supported in the loaded ODBC installer library (%s).\n",
                       program, name, proc.library.c_str());
}

}  // namespace rireve
