// Makes installer requests through the binding, as registration does, and
// reports what came of them, for the cases that run_wine_cases.py sets up:
//   installer-selection-test [REQUESTS [THREADS [LATER_SEARCH_COPY]]]
// Each thread makes REQUESTS requests, all threads starting at once. Prints
// each result, then how many references to odbccp32.dll the process holds.
// With LATER_SEARCH_COPY, one thread copies that file beside the program as
// odbccp32.dll after its first request, as an installation would.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "installer/installer.h"

namespace {

int countReferences() {
    int references = 0;
    while (references < 16) {
        const HMODULE module = GetModuleHandleA("odbccp32.dll");
        if (module == nullptr) break;
        FreeLibrary(module);
        ++references;
    }
    return references;
}

void installBesideProgram(const char* installer) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    if (slash == nullptr) return;
    std::strcpy(slash + 1, "odbccp32.dll");
    CopyFileA(installer, path, FALSE);
}

}  // namespace

int main(int argc, char** argv) {
    const int requests = argc > 1 ? std::atoi(argv[1]) : 1;
    const int threads = argc > 2 ? std::atoi(argv[2]) : 1;
    static const char attributes[] = "DSN=demo;Database=C:\\demo.db\0";  // and the literal's own NUL
    std::atomic<int> ready{0};
    std::atomic<int> accepted{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            ++ready;
            while (ready.load() < threads) {
            }
            for (int i = 0; i < requests; ++i) {
                if (rireve::configDataSource(nullptr, ODBC_ADD_DSN, "Test Driver", attributes).ok()) ++accepted;
                if (i == 0 && argc > 3) installBesideProgram(argv[3]);
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    std::printf("accepted=%d of %d\n", accepted.load(), requests * threads);
    std::printf("references=%d\n", countReferences());
    return 0;
}
