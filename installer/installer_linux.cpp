// Linux: the installer library is the one that belongs to the driver manager,
// unixODBC's libodbcinst. There is no dialog to show; the two messages go to
// standard error.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "installer/installer.h"
#include "installer/select_once.h"

#ifndef RIREVE_INSTALLER_LIBRARY
#define RIREVE_INSTALLER_LIBRARY "libodbcinst.so.2"
#endif

namespace rireve {
namespace {

constexpr char kInstallerLibrary[] = RIREVE_INSTALLER_LIBRARY;
constexpr std::size_t kPathSize = 4096;

// Null until a selection finds the library; never released after.
std::atomic<void*> installerModule{nullptr};

void* selectInstallerLibrary() { return dlopen(kInstallerLibrary, RTLD_NOW | RTLD_LOCAL); }

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
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return kInstallerLibrary;
    return map->l_name;
}

}  // namespace

void* resolveInstallerProc(const char* name) {
    void* module = boundInstallerModule();
    if (module == nullptr) {
        // Nothing more can be done when standard error cannot be written.
        (void)std::fprintf(stderr,
                           "ODBC Installer Error: The ODBC installer library (%s) is not installed on this system.\n",
                           kInstallerLibrary);
        return nullptr;
    }
    if (void* proc = dlsym(module, name)) return proc;
    char program[kPathSize];
    programPath(program);
    (void)std::fprintf(stderr,
                       "ODBC Installer Error: The program %s, or one of its libraries attempted to call the function %s "
                       "which is not supported in the loaded ODBC installer library (%s).\n",
                       program, name, modulePath(module));
    return nullptr;
}

}  // namespace rireve
