#include "probe/connection_probe.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace rireve {
namespace {

// An ODBC handle of one type, freed on every way out.
class OdbcHandle {
public:
    OdbcHandle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
        if (!odbcSucceeded(SQLAllocHandle(type, parent, &handle_))) handle_ = SQL_NULL_HANDLE;
    }
    ~OdbcHandle() {
        if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, handle_);
    }
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;

    bool allocated() const { return handle_ != SQL_NULL_HANDLE; }
    SQLHANDLE get() const { return handle_; }

private:
    SQLSMALLINT type_;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

// ODBC passes an integer attribute's value in the pointer argument itself.
SQLPOINTER integerAttribute(unsigned long value) {
    return reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(value));  // NOLINT(performance-no-int-to-ptr)
}

// Reads every diagnostic record of the handle, growing the buffer for a
// message longer than it.
void collectDiagnostics(SQLSMALLINT type, SQLHANDLE handle, std::vector<DiagnosticRecord>& into) {
    std::string message(1024, '\0');
    for (SQLSMALLINT number = 1; number < 1000; ++number) {
        SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
        SQLINTEGER nativeError = 0;
        SQLSMALLINT length = 0;
        auto read = [&] {
            return SQLGetDiagRec(type, handle, number, state, &nativeError,
                                 reinterpret_cast<SQLCHAR*>(&message[0]), static_cast<SQLSMALLINT>(message.size()),
                                 &length);
        };
        SQLRETURN result = read();
        if (result == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size()) && length < 32000) {
            message.assign(static_cast<std::size_t>(length) + 1, '\0');
            result = read();
        }
        if (!odbcSucceeded(result)) return;
        const std::size_t kept = std::min<std::size_t>(static_cast<std::size_t>(length < 0 ? 0 : length),
                                                       message.size() - 1);
        into.push_back({reinterpret_cast<const char*>(state), static_cast<long>(nativeError),
                        std::string(message.c_str(), strnlen(message.c_str(), kept))});
    }
}

std::string readInfo(SQLHDBC connection, SQLUSMALLINT kind) {
    char text[512] = {};
    SQLSMALLINT length = 0;
    if (!odbcSucceeded(SQLGetInfo(connection, kind, text, sizeof text, &length))) return {};
    return std::string(text, strnlen(text, sizeof text));
}

void describePeers(SQLHDBC connection, ConnectionReport& report) {
    report.driverName = readInfo(connection, SQL_DRIVER_NAME);
    report.driverVersion = readInfo(connection, SQL_DRIVER_VER);
    report.dbmsName = readInfo(connection, SQL_DBMS_NAME);
    report.dbmsVersion = readInfo(connection, SQL_DBMS_VER);
}

Outcome connect(SQLHENV environment, std::string_view connectionString, unsigned timeoutSeconds,
                ConnectionReport& report) {
    OdbcHandle connection(SQL_HANDLE_DBC, environment);
    if (!connection.allocated())
        return {Step::allocate, Status::failure("the driver manager's SQLAllocHandle for a connection failed")};
    if (timeoutSeconds > 0) {
        SQLSetConnectAttr(connection.get(), SQL_ATTR_LOGIN_TIMEOUT, integerAttribute(timeoutSeconds), 0);
    }
    std::string text(connectionString);
    SQLCHAR completed[1024];
    SQLSMALLINT completedLength = 0;
    const SQLRETURN result = SQLDriverConnect(connection.get(), nullptr, reinterpret_cast<SQLCHAR*>(&text[0]),
                                              static_cast<SQLSMALLINT>(text.size()), completed, sizeof completed,
                                              &completedLength, SQL_DRIVER_NOPROMPT);
    collectDiagnostics(SQL_HANDLE_DBC, connection.get(), report.diagnostics);
    report.connected = odbcSucceeded(result);
    if (!report.connected) return {};
    describePeers(connection.get(), report);
    SQLDisconnect(connection.get());
    return {};
}

}  // namespace

Outcome probeConnection(std::string_view connectionString, unsigned timeoutSeconds, ConnectionReport& report) {
    if (connectionString.size() > 32767) return Outcome::of(Status::failure("the connection string is over 32,767 bytes"));
    OdbcHandle environment(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    if (!environment.allocated())
        return {Step::allocate, Status::failure("the driver manager's SQLAllocHandle for an environment failed")};
    SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION, integerAttribute(SQL_OV_ODBC3), 0);
    return connect(environment.get(), connectionString, timeoutSeconds, report);
}

}  // namespace rireve
