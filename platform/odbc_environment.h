// The ODBC environment handle every operation owns, and the rule for ODBC
// results: what the driver manager's interface needs, and nothing of Java.
#pragma once

#include <sql.h>

namespace rireve {

// SQL_SUCCESS and SQL_SUCCESS_WITH_INFO; anything else is failure or the end
// of a list.
inline bool odbcSucceeded(SQLRETURN result) {
    const auto code = static_cast<unsigned short>(result);
    return code == SQL_SUCCESS || code == SQL_SUCCESS_WITH_INFO;
}

// One ODBC environment handle, owned by one operation or nested lookup.
// release() frees it on the normal path so that a failure can be reported;
// on every other way out the destructor frees it and ignores the result.
class OdbcEnvironment {
public:
    OdbcEnvironment();
    ~OdbcEnvironment();
    OdbcEnvironment(const OdbcEnvironment&) = delete;
    OdbcEnvironment& operator=(const OdbcEnvironment&) = delete;

    bool allocated() const { return allocated_; }
    SQLHENV handle() const { return handle_; }
    bool release();

private:
    SQLHENV handle_ = SQL_NULL_HENV;
    bool allocated_ = false;
};

}  // namespace rireve
