// The ODBC environment handle every operation owns, and the rule for ODBC
// results: what the driver manager's interface needs, and nothing of Java.
#pragma once

#include <sql.h>

#include <utility>

#include "base/status.h"

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

// Which step of an operation failed: the allocation of its environment, the
// work done on it, or the environment's release; and why.
enum class Step { none, allocate, work, release };

struct [[nodiscard]] Outcome {
    Step step = Step::none;
    Status status;

    bool ok() const { return step == Step::none; }
    // The work's own result.
    static Outcome of(Status status) {
        return status.ok() ? Outcome{} : Outcome{Step::work, std::move(status)};
    }
};

// Runs work(handle), which returns an Outcome, on an ODBC environment of its
// own; a failure to allocate or free the environment is the outcome then.
template <typename Work>
Outcome onOdbcEnvironment(Work work) {
    OdbcEnvironment odbc;
    if (!odbc.allocated()) return {Step::allocate, Status::failure("the driver manager's SQLAllocEnv failed")};
    Outcome done = work(odbc.handle());
    if (!done.ok()) return done;
    if (!odbc.release()) return {Step::release, Status::failure("the driver manager's SQLFreeEnv failed")};
    return {};
}

}  // namespace rireve
