// The frame every native call follows: one rule for ODBC results, one way of
// reporting a failure, one owner for the ODBC environment handle.
#pragma once

#include <jni.h>
#include <sql.h>

#include "binding/status.h"

namespace rireve {

// Messages of the exceptions the library raises, all as java.lang.Throwable.
namespace message {
inline constexpr char kAllocateEnvironment[] = "Could not allocate ODBC environmental handle!";
inline constexpr char kFreeEnvironment[] = "Could not free ODBC environmental handle!";
inline constexpr char kReadConfiguration[] = "Could not read ODBC configuration!";
inline constexpr char kNameIsNull[] = "DataSource name is null!";
inline constexpr char kDriverIsNull[] = "Driver name is null!";
inline constexpr char kRegisterRefused[] = "Error trying to register ODBC DataSource!";
inline constexpr char kRemoveRefused[] = "Error trying to remove ODBC DataSource!";
inline constexpr char kConfigureRefused[] = "Error trying to configure ODBC DataSource!";
inline constexpr char kNameIsInvalid[] = "DataSource name is invalid!";
inline constexpr char kAttributesTooLong[] = "DataSource attribute text is too long!";
inline constexpr char kAttributesInvalid[] = "DataSource attribute text is invalid!";
inline constexpr char kInternalError[] = "Internal error in the ODBC library!";
}  // namespace message

// SQL_SUCCESS and SQL_SUCCESS_WITH_INFO; anything else is failure or the end
// of a list.
inline bool odbcSucceeded(SQLRETURN result) {
    const auto code = static_cast<unsigned short>(result);
    return code == SQL_SUCCESS || code == SQL_SUCCESS_WITH_INFO;
}

// Raises a java.lang.Throwable with the message. The caller returns its
// neutral value right after. Never throws over an exception already pending:
// that one says more about what went wrong.
void throwError(JNIEnv* env, const char* message);

// The same, with the reason of the failed status as the exception's cause: a
// java.lang.Throwable whose message is the reason.
void throwError(JNIEnv* env, const char* message, const Status& cause);

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

// Runs work(handle) on an ODBC environment of its own, as every operation of
// the driver manager's interface does; a failure to allocate or free it
// raises its message. work returns false with an exception pending when it
// fails; so does this.
template <typename Work>
bool withOdbcEnvironment(JNIEnv* env, Work work) {
    OdbcEnvironment odbc;
    if (!odbc.allocated()) {
        throwError(env, message::kAllocateEnvironment, Status::failure("the driver manager's SQLAllocEnv failed"));
        return false;
    }
    if (!work(odbc.handle())) return false;
    if (!odbc.release()) {
        throwError(env, message::kFreeEnvironment, Status::failure("the driver manager's SQLFreeEnv failed"));
        return false;
    }
    return true;
}

}  // namespace rireve
