// The driver manager's cost of a listing without the JVM, timed two ways:
//   same-calls  the calls the library makes: a counting pass, a filling pass,
//               and for each data source a scan of the drivers on an
//               environment of its own;
//   plain       one pass over the data sources and one over the drivers.
// Usage: listing-floor same-calls|plain RUNS
// Prints one JSON object: median seconds per listing, and entries listed.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <climits>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr SQLSMALLINT kBufferSize = 1024;

struct Environment {
    SQLHENV handle = SQL_NULL_HENV;
    Environment() { SQLAllocEnv(&handle); }
    ~Environment() { SQLFreeEnv(handle); }
};

using Fetch = bool (*)(SQLHENV, char*, char*);

bool nextDriver(SQLHENV env, char* description, char* attributes) {
    SQLSMALLINT length1 = 0;
    SQLSMALLINT length2 = 0;
    return SQL_SUCCEEDED(SQLDrivers(env, SQL_FETCH_NEXT, reinterpret_cast<SQLCHAR*>(description), kBufferSize,
                                    &length1, reinterpret_cast<SQLCHAR*>(attributes), kBufferSize, &length2));
}

bool nextDataSource(SQLHENV env, char* name, char* driver) {
    SQLSMALLINT length1 = 0;
    SQLSMALLINT length2 = 0;
    return SQL_SUCCEEDED(SQLDataSources(env, SQL_FETCH_NEXT, reinterpret_cast<SQLCHAR*>(name), kBufferSize,
                                        &length1, reinterpret_cast<SQLCHAR*>(driver), kBufferSize, &length2));
}

// One pass over a list, of at most `limit` entries; `each` sees every
// entry's second text. Returns the number of entries.
int walk(SQLHENV env, Fetch fetch, int limit = INT_MAX, void (*each)(const char*) = nullptr) {
    char first[kBufferSize];
    char second[kBufferSize];
    int count = 0;
    while (count < limit && fetch(env, first, second)) {
        if (each != nullptr) each(second);
        ++count;
    }
    return count;
}

// The library's lookup of a data source's driver: a scan of its own.
void scanDriversFor(const char* wanted) {
    Environment env;
    char description[kBufferSize];
    char attributes[kBufferSize];
    while (nextDriver(env.handle, description, attributes)) {
        if (std::strncmp(description, wanted, kBufferSize) == 0) return;
    }
}

// The library's listing: a counting pass, then a filling pass on the same
// environment, with a driver scan per data source when listing those.
int sameCalls(Fetch fetch, void (*each)(const char*)) {
    Environment env;
    const int count = walk(env.handle, fetch);
    walk(env.handle, fetch, count, each);
    return count;
}

int sameCallsDrivers() { return sameCalls(nextDriver, nullptr); }
int sameCallsDataSources() { return sameCalls(nextDataSource, scanDriversFor); }

int plainDrivers() {
    Environment env;
    return walk(env.handle, nextDriver);
}

int plainDataSources() {
    Environment env;
    return walk(env.handle, nextDataSource);
}

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
    if (argc != 3 || (std::strcmp(argv[1], "same-calls") != 0 && std::strcmp(argv[1], "plain") != 0)) {
        std::fprintf(stderr, "usage: listing-floor same-calls|plain RUNS\n");
        return 2;
    }
    const bool same = std::strcmp(argv[1], "same-calls") == 0;
    const int runs = std::max(1, std::atoi(argv[2]));
    int drivers = 0;
    int dataSources = 0;
    const double driverTime = medianSeconds(runs, same ? sameCallsDrivers : plainDrivers, &drivers);
    const double dataSourceTime = medianSeconds(runs, same ? sameCallsDataSources : plainDataSources, &dataSources);
    std::printf("{\"drivers\": %.6f, \"dataSources\": %.6f, \"driversListed\": %d, \"dataSourcesListed\": %d}\n",
                driverTime, dataSourceTime, drivers, dataSources);
    return 0;
}
