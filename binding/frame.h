// The frame every native call follows: one way of reporting a failure, by
// its message and its kind, whatever step of an operation failed.
#pragma once

#include <jni.h>

#include "base/status.h"
#include "platform/odbc_environment.h"

namespace rireve {

// What kind of failure a message reports: the ordinals of the Java side's
// ODBCException.Reason, carried with every failure in its cause, so that
// Java never sorts failures by their text.
enum class Failure : int { invalidArgument = 0, refused = 1, driverManager = 2, configurationUnreadable = 3, internal = 4 };

// A message of the exceptions the library raises, with its kind.
struct Message {
    const char* text;
    Failure kind;
};

// The messages: raised as java.lang.Throwable by the four original natives,
// as ODBCException by the others (natives/exports.cpp).
namespace message {
inline constexpr Message kAllocateEnvironment{"Could not allocate ODBC environmental handle!", Failure::driverManager};
inline constexpr Message kFreeEnvironment{"Could not free ODBC environmental handle!", Failure::driverManager};
inline constexpr Message kReadConfiguration{"Could not read ODBC configuration!", Failure::configurationUnreadable};
inline constexpr Message kNameIsNull{"DataSource name is null!", Failure::invalidArgument};
inline constexpr Message kDriverIsNull{"Driver name is null!", Failure::invalidArgument};
inline constexpr Message kRegisterRefused{"Error trying to register ODBC DataSource!", Failure::refused};
inline constexpr Message kRemoveRefused{"Error trying to remove ODBC DataSource!", Failure::refused};
inline constexpr Message kConfigureRefused{"Error trying to configure ODBC DataSource!", Failure::refused};
inline constexpr Message kNameIsInvalid{"DataSource name is invalid!", Failure::invalidArgument};
inline constexpr Message kAttributesTooLong{"DataSource attribute text is too long!", Failure::invalidArgument};
inline constexpr Message kAttributesInvalid{"DataSource attribute text is invalid!", Failure::invalidArgument};
inline constexpr Message kConnectionStringIsNull{"Connection string is null!", Failure::invalidArgument};
inline constexpr Message kConnectionStringInvalid{"Connection string is invalid!", Failure::invalidArgument};
inline constexpr Message kDiagnoseFailed{"Could not diagnose the ODBC configuration!", Failure::configurationUnreadable};
inline constexpr Message kDriverNameIsInvalid{"Driver name is invalid!", Failure::invalidArgument};
inline constexpr Message kInstallDriverRefused{"Error trying to install ODBC driver!", Failure::refused};
inline constexpr Message kRemoveDriverRefused{"Error trying to remove ODBC driver!", Failure::refused};
inline constexpr Message kConfigureDriverRefused{"Error trying to configure ODBC driver!", Failure::refused};
inline constexpr Message kConfigureSettingsRefused{"Error trying to configure the ODBC driver manager!", Failure::refused};
inline constexpr Message kPathIsNull{"File data source path is null!", Failure::invalidArgument};
inline constexpr Message kFileDataSourceRefused{"Error trying to change ODBC file data source!", Failure::refused};
inline constexpr Message kFileDataSourceUnreadable{"Could not read ODBC file data source!",
                                                  Failure::configurationUnreadable};
inline constexpr Message kInternalError{"Internal error in the ODBC library!", Failure::internal};
}  // namespace message

// Raises a java.lang.Throwable with the message, and as its cause an
// ODBCException.Cause: the reason in one line and the message's kind. The
// caller returns its neutral value right after. Never throws over an
// exception already pending: that one says more about what went wrong.
void throwError(JNIEnv* env, const Message& message, const Status& cause);

// Raises the pending failure again as an ODBCException with the same
// message and cause, and the kind its cause carries (ODBCException.of):
// what the natives beside the original four raise.
void raiseAsOdbcException(JNIEnv* env);

// Raises the failure of an operation's step, if one failed: the driver
// manager's messages for its environment, `work` for the work done on it.
// True when it raised.
bool raiseFailure(JNIEnv* env, const Outcome& outcome, const Message& work);

}  // namespace rireve
