// The cost of a listing without the JVM, timed three ways:
//   reader          one read of the configuration files with unixODBC's own
//                   profile reader, each data source's driver found in it:
//                   the least any listing of the files can cost;
//   driver-manager  one plain pass of SQLDrivers and one of SQLDataSources;
//   bytes           the user's data source file ($ODBCINI) read and its
//                   lines counted, nothing more: what reading costs at all.
// Usage: listing-floor reader|driver-manager|bytes RUNS
// Prints one JSON object: median seconds per listing, and entries listed.
#include <fcntl.h>
#include <sql.h>
#include <unistd.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

// unixODBC's profile reader, exported by libodbcinst without a public header.
extern "C" {
int iniOpen(void** ini, char* path, char* comments, char left, char right, char equal, int create);
int iniClose(void* ini);
int iniObjectFirst(void* ini);
int iniObjectNext(void* ini);
int iniObjectEOL(void* ini);
int iniObject(void* ini, char* name);
int iniPropertyFirst(void* ini);
int iniPropertyNext(void* ini);
int iniPropertyEOL(void* ini);
int iniProperty(void* ini, char* name);
int iniValue(void* ini, char* value);
int _odbcinst_UserINI(char* path, int verify);
int _odbcinst_SystemINI(char* path, int verify);
char* odbcinst_system_file_path(char* buffer);
char* odbcinst_system_file_name(char* buffer);
}

namespace {

constexpr SQLSMALLINT kBufferSize = 1024;

struct Environment {
    SQLHENV handle = SQL_NULL_HENV;
    Environment() { SQLAllocEnv(&handle); }
    ~Environment() { SQLFreeEnv(handle); }
};

// Every section of a file with its entries: name, then key and value pairs;
// with onlyDriver, the Driver entries alone.
using Sections = std::vector<std::vector<std::string>>;

Sections readFile(std::string path, bool onlyDriver = false) {
    Sections sections;
    void* ini = nullptr;
    char comments[] = "#;";
    if (iniOpen(&ini, path.data(), comments, '[', ']', '=', 0) != 1) return sections;
    char text[kBufferSize];
    for (iniObjectFirst(ini); !iniObjectEOL(ini); iniObjectNext(ini)) {
        iniObject(ini, text);
        sections.push_back({text});
        for (iniPropertyFirst(ini); !iniPropertyEOL(ini); iniPropertyNext(ini)) {
            iniProperty(ini, text);
            if (onlyDriver && strcasecmp(text, "Driver") != 0) continue;
            sections.back().emplace_back(text);
            iniValue(ini, text);
            sections.back().emplace_back(text);
        }
    }
    iniClose(ini);
    return sections;
}

Sections readDrivers() {
    char folder[PATH_MAX + 1];
    char name[PATH_MAX + 1];
    return readFile(std::string(odbcinst_system_file_path(folder)) + "/" + odbcinst_system_file_name(name));
}

int readerDrivers() { return static_cast<int>(readDrivers().size()); }

int readerDataSources() {
    char path[PATH_MAX + 1];
    _odbcinst_UserINI(path, 0);
    Sections sources = readFile(path, true);
    _odbcinst_SystemINI(path, 0);
    Sections system = readFile(path, true);
    sources.insert(sources.end(), system.begin(), system.end());
    const Sections drivers = readDrivers();
    std::unordered_map<std::string, const std::vector<std::string>*> byName;
    for (const auto& driver : drivers) byName.emplace(driver[0], &driver);
    int withDriver = 0;
    for (const auto& source : sources) {
        for (std::size_t i = 1; i + 1 < source.size(); i += 2) {
            if (strcasecmp(source[i].c_str(), "Driver") == 0) {
                withDriver += byName.count(source[i + 1]) > 0 ? 1 : 0;
                break;
            }
        }
    }
    return withDriver >= 0 ? static_cast<int>(sources.size()) : 0;
}

int walk(bool drivers) {
    Environment env;
    char first[kBufferSize];
    char second[kBufferSize];
    SQLSMALLINT length1 = 0;
    SQLSMALLINT length2 = 0;
    int count = 0;
    auto* a = reinterpret_cast<SQLCHAR*>(first);
    auto* b = reinterpret_cast<SQLCHAR*>(second);
    while (SQL_SUCCEEDED(drivers ? SQLDrivers(env.handle, SQL_FETCH_NEXT, a, kBufferSize, &length1, b, kBufferSize,
                                              &length2)
                                 : SQLDataSources(env.handle, SQL_FETCH_NEXT, a, kBufferSize, &length1, b,
                                                  kBufferSize, &length2))) {
        ++count;
    }
    return count;
}

int countLines() {
    static std::vector<char> buffer(1 << 20);
    const int fd = open(std::getenv("ODBCINI"), O_RDONLY | O_CLOEXEC);
    int lines = 0;
    for (ssize_t got; fd >= 0 && (got = read(fd, buffer.data(), buffer.size())) > 0;) {
        lines += static_cast<int>(std::count(buffer.data(), buffer.data() + got, '\n'));
    }
    if (fd >= 0) close(fd);
    return lines;
}

int driverManagerDrivers() { return walk(true); }
int driverManagerDataSources() { return walk(false); }

// Median seconds of `runs` timed calls after one untimed warm-up call.
double medianSeconds(int runs, const std::function<int()>& listing, int* listed) {
    *listed = listing();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        listing();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "bytes") == 0) {
        int lines = 0;
        const double seconds = medianSeconds(std::max(1, std::atoi(argv[2])), countLines, &lines);
        std::printf("{\"bytes\": %.6f, \"lines\": %d}\n", seconds, lines);
        return 0;
    }
    if (argc != 3 || (std::strcmp(argv[1], "reader") != 0 && std::strcmp(argv[1], "driver-manager") != 0)) {
        std::fprintf(stderr, "usage: listing-floor reader|driver-manager|bytes RUNS\n");
        return 2;
    }
    const bool reader = std::strcmp(argv[1], "reader") == 0;
    const int runs = std::max(1, std::atoi(argv[2]));
    int drivers = 0;
    int dataSources = 0;
    double driverTime = 0;
    double dataSourceTime = 0;
    // Timed on a thread of its own, as a JVM calls the library: a thread's
    // memory arena keeps the pages that the reader's many blocks need between
    // reads, where the main thread's hands them back and faults them in anew.
    std::thread timing([&] {
        driverTime = medianSeconds(runs, reader ? readerDrivers : driverManagerDrivers, &drivers);
        dataSourceTime = medianSeconds(runs, reader ? readerDataSources : driverManagerDataSources, &dataSources);
    });
    timing.join();
    std::printf("{\"drivers\": %.6f, \"dataSources\": %.6f, \"driversListed\": %d, \"dataSourcesListed\": %d}\n",
                driverTime, dataSourceTime, drivers, dataSources);
    return 0;
}
