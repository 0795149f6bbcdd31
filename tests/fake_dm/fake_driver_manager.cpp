// A stand-in for the ODBC driver manager that fails on cue.
//
// At the start of every operation (an SQLAllocEnv while no environment is
// open) it reads its scenario from the file named by FAKE_ODBC_SCENARIO, and
// it appends every call it receives to the file named by FAKE_ODBC_LOG.
// Scenario lines, fields separated by tabs, with \0 \t \n \\ and \xHH escapes:
//
//   alloc  N RC                     the N-th SQLAllocEnv returns RC
//   free   N RC                     the N-th SQLFreeEnv returns RC
//   driver PASSES RC DESCRIPTION ATTRIBUTES
//   dsn    PASSES RC NAME DESCRIPTION
//
// An entry is listed in the passes whose digits PASSES holds ("*" for all);
// a pass ends when its list reports the end, and the next call starts the
// list again. RC is what the call listing the entry returns; a failing RC
// ends the pass there. ATTRIBUTES is copied byte for byte, truncated to the
// caller's buffer, with a NUL after it when there is room.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Entry {
    std::string passes;
    SQLRETURN rc = SQL_SUCCESS;
    std::string first;
    std::string second;
    bool listedIn(int pass) const {
        return passes == "*" || passes.find(static_cast<char>('0' + std::min(pass, 9))) != std::string::npos;
    }
};

struct Scenario {
    std::map<int, SQLRETURN> allocResults;
    std::map<int, SQLRETURN> freeResults;
    std::vector<Entry> drivers;
    std::vector<Entry> dataSources;
};

struct ListCursor {
    int pass = 0;
    std::size_t position = 0;
};

struct Environment {
    ListCursor drivers;
    ListCursor dataSources;
};

std::mutex lock;
Scenario scenario;
int openEnvironments = 0;
int allocCalls = 0;
int freeCalls = 0;

std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == '0') out += '\0';
        else if (c == 't') out += '\t';
        else if (c == 'n') out += '\n';
        else if (c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else out += c;
    }
    return out;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t')) fields.push_back(field);
    return fields;
}

void loadScenario() {
    scenario = Scenario{};
    allocCalls = 0;
    freeCalls = 0;
    const char* path = std::getenv("FAKE_ODBC_SCENARIO");
    if (path == nullptr) return;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        const std::vector<std::string> f = splitTabs(line);
        if (f.size() == 3 && f[0] == "alloc") scenario.allocResults[std::stoi(f[1])] = static_cast<SQLRETURN>(std::stoi(f[2]));
        if (f.size() == 3 && f[0] == "free") scenario.freeResults[std::stoi(f[1])] = static_cast<SQLRETURN>(std::stoi(f[2]));
        if (f.size() == 5 && (f[0] == "driver" || f[0] == "dsn")) {
            Entry entry{f[1], static_cast<SQLRETURN>(std::stoi(f[2])), unescape(f[3]), unescape(f[4])};
            (f[0] == "driver" ? scenario.drivers : scenario.dataSources).push_back(entry);
        }
    }
}

void logCall(const std::string& line) {
    const char* path = std::getenv("FAKE_ODBC_LOG");
    if (path == nullptr) return;
    if (std::FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

void copyText(const std::string& text, SQLCHAR* buffer, SQLSMALLINT size, SQLSMALLINT* length) {
    if (length != nullptr) *length = static_cast<SQLSMALLINT>(text.size());
    if (buffer == nullptr || size <= 0) return;
    const std::size_t copied = std::min(text.size(), static_cast<std::size_t>(size));
    std::memcpy(buffer, text.data(), copied);
    if (copied < static_cast<std::size_t>(size)) buffer[copied] = '\0';
}

void copyCString(const std::string& text, SQLCHAR* buffer, SQLSMALLINT size, SQLSMALLINT* length) {
    if (size <= 0) return;
    copyText(text.substr(0, static_cast<std::size_t>(size) - 1), buffer, size, length);
}

// The next entry of the cursor's pass. The end of the list, or an entry that
// fails, ends the pass; the next call starts the list again.
SQLRETURN listNext(const std::vector<Entry>& entries, ListCursor& cursor, const Entry** found) {
    while (cursor.position < entries.size()) {
        const Entry& entry = entries[cursor.position++];
        if (!entry.listedIn(cursor.pass)) continue;
        if (entry.rc == SQL_SUCCESS || entry.rc == SQL_SUCCESS_WITH_INFO) {
            *found = &entry;
            return entry.rc;
        }
        cursor.position = 0;
        ++cursor.pass;
        return entry.rc;
    }
    cursor.position = 0;
    ++cursor.pass;
    return SQL_NO_DATA;
}

// A caller's output buffer; raw text is copied byte for byte, other text as
// a C string.
struct Output {
    SQLCHAR* buffer;
    SQLSMALLINT size;
    SQLSMALLINT* length;
    bool raw;

    void write(const std::string& text) const {
        if (raw) {
            copyText(text, buffer, size, length);
        } else {
            copyCString(text, buffer, size, length);
        }
    }
};

std::string describeCall(const char* name, SQLHENV env, SQLUSMALLINT direction, SQLSMALLINT size1, SQLSMALLINT size2,
                         SQLRETURN rc) {
    char line[160];
    std::snprintf(line, sizeof line, "%s env=%p direction=%u buffers=%d,%d -> %d", name, env, direction, size1, size2, rc);
    return line;
}

SQLRETURN answerListCall(const char* function, SQLHENV handle, SQLUSMALLINT direction,
                         const std::vector<Entry>& entries, ListCursor Environment::*cursor, Output first,
                         Output second) {
    std::lock_guard<std::mutex> hold(lock);
    auto* env = reinterpret_cast<Environment*>(handle);
    const Entry* entry = nullptr;
    const SQLRETURN rc = listNext(entries, env->*cursor, &entry);
    if (entry != nullptr) {
        first.write(entry->first);
        second.write(entry->second);
    }
    logCall(describeCall(function, handle, direction, first.size, second.size, rc));
    return rc;
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLAllocEnv(SQLHENV* handle) {
    std::lock_guard<std::mutex> hold(lock);
    if (openEnvironments == 0) loadScenario();
    const int call = ++allocCalls;
    const auto planned = scenario.allocResults.find(call);
    const SQLRETURN rc = planned == scenario.allocResults.end() ? SQL_SUCCESS : planned->second;
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
        *handle = reinterpret_cast<SQLHENV>(new Environment);
        ++openEnvironments;
    } else {
        *handle = SQL_NULL_HENV;
    }
    logCall("SQLAllocEnv -> " + std::to_string(rc));
    return rc;
}

SQLRETURN SQL_API SQLFreeEnv(SQLHENV handle) {
    std::lock_guard<std::mutex> hold(lock);
    const int call = ++freeCalls;
    const auto planned = scenario.freeResults.find(call);
    const SQLRETURN rc = planned == scenario.freeResults.end() ? SQL_SUCCESS : planned->second;
    if (handle == SQL_NULL_HENV) {
        logCall("SQLFreeEnv null");
        return SQL_INVALID_HANDLE;
    }
    delete reinterpret_cast<Environment*>(handle);
    --openEnvironments;
    logCall("SQLFreeEnv -> " + std::to_string(rc));
    return rc;
}

SQLRETURN SQL_API SQLDrivers(SQLHENV handle, SQLUSMALLINT direction, SQLCHAR* description, SQLSMALLINT descriptionSize,
                             SQLSMALLINT* descriptionLength, SQLCHAR* attributes, SQLSMALLINT attributesSize,
                             SQLSMALLINT* attributesLength) {
    return answerListCall("SQLDrivers", handle, direction, scenario.drivers, &Environment::drivers,
                          {description, descriptionSize, descriptionLength, false},
                          {attributes, attributesSize, attributesLength, true});
}

SQLRETURN SQL_API SQLDataSources(SQLHENV handle, SQLUSMALLINT direction, SQLCHAR* name, SQLSMALLINT nameSize,
                                 SQLSMALLINT* nameLength, SQLCHAR* description, SQLSMALLINT descriptionSize,
                                 SQLSMALLINT* descriptionLength) {
    return answerListCall("SQLDataSources", handle, direction, scenario.dataSources, &Environment::dataSources,
                          {name, nameSize, nameLength, false}, {description, descriptionSize, descriptionLength, false});
}

// The connection calls exist so that the library links; this driver
// manager connects nowhere.
SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT, SQLHANDLE, SQLHANDLE*) { return SQL_ERROR; }
SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT, SQLHANDLE) { return SQL_ERROR; }
SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER) { return SQL_ERROR; }
SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC, SQLINTEGER, SQLPOINTER, SQLINTEGER) { return SQL_ERROR; }
SQLRETURN SQL_API SQLDriverConnect(SQLHDBC, SQLHWND, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*,
                                   SQLUSMALLINT) {
    return SQL_ERROR;
}
SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLCHAR*, SQLINTEGER*, SQLCHAR*, SQLSMALLINT,
                                SQLSMALLINT*) {
    return SQL_NO_DATA;
}
SQLRETURN SQL_API SQLGetInfo(SQLHDBC, SQLUSMALLINT, SQLPOINTER, SQLSMALLINT, SQLSMALLINT*) { return SQL_ERROR; }
SQLRETURN SQL_API SQLDisconnect(SQLHDBC) { return SQL_ERROR; }

}  // extern "C"
