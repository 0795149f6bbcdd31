// The frame every native call follows: one way of reporting a failure, by
// its message and its kind, whatever step of an operation failed.
#pragma once

#include <jni.h>

#include "base/status.h"
#include "base/messages.h"
#include "platform/odbc_environment.h"

namespace rireve {

// The class a native raises its failures as: java.lang.Throwable for the
// four original natives, ODBCException for every other. The one state of a
// call beside its arguments; set for the call's duration on its thread.
enum class Raises { throwable, odbcException };

class RaisingAs {
public:
    explicit RaisingAs(Raises raises);
    ~RaisingAs();
    RaisingAs(const RaisingAs&) = delete;
    RaisingAs& operator=(const RaisingAs&) = delete;

private:
    Raises previous_;
};

// Raises the failure once, as the class the call raises (RaisingAs): a
// java.lang.Throwable with the message and as its cause an
// ODBCException.Cause (the reason in one line, naming the step, the path and
// the system's error text, and the message's kind); or an ODBCException of
// the message, its Reason and that cause. The caller returns its neutral
// value right after. Never throws over an exception already pending: that
// one says more about what went wrong.
void throwError(JNIEnv* env, const Message& message, const Status& cause);

// Raises the failure of an operation's step, if one failed: the driver
// manager's messages for its environment, `work` for the work done on it.
// True when it raised.
bool raiseFailure(JNIEnv* env, const Outcome& outcome, const Message& work);

}  // namespace rireve
