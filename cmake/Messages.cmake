# The Java side's table of the library's messages, written from the native
# side's (base/messages.h), so that both sides know one list of messages
# and the kind of failure each reports. A message's constant is its native
# name in capitals (kNameIsNull: NAME_IS_NULL).
set(RIREVE_MESSAGES_SOURCE ${PROJECT_SOURCE_DIR}/base/messages.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${RIREVE_MESSAGES_SOURCE})
file(READ ${RIREVE_MESSAGES_SOURCE} source)
string(REGEX MATCHALL "MESSAGE\\(k[A-Za-z]+, \"[^\"]*\", [A-Z_]+\\)" lines "${source}")
set(constants "")
set(names "")
foreach(line ${lines})
  string(REGEX REPLACE ".*MESSAGE\\(k([A-Za-z]+), \"([^\"]*)\", ([A-Z_]+)\\).*" "\\1;\\2;\\3" fields "${line}")
  list(GET fields 0 name)
  list(GET fields 1 text)
  list(GET fields 2 reason)
  string(REGEX REPLACE "([a-z])([A-Z])" "\\1_\\2" constant "${name}")
  string(TOUPPER "${constant}" constant)
  string(APPEND constants "    static final Messages ${constant} = new Messages(\"${text}\", ODBCException.Reason.${reason});\n")
  list(APPEND names ${constant})
endforeach()
list(LENGTH names count)
if(count LESS 20)
  message(FATAL_ERROR "only ${count} messages found in ${RIREVE_MESSAGES_SOURCE}")
endif()
string(REPLACE ";" ", " all "${names}")
file(CONFIGURE OUTPUT ${RIREVE_GENERATED_SOURCES}/com/nq/odbc/Messages.java CONTENT [=[
package com.nq.odbc;

/**
 * The library's messages and the kind of failure each reports: written by
 * the build from the native library's table, the one list of both sides.
 */
final class Messages {
@constants@
    static final Messages[] ALL = {@all@};

    final String text;
    final ODBCException.Reason reason;

    private Messages(String text, ODBCException.Reason reason) {
        this.text = text;
        this.reason = reason;
    }

    /** This failure, with why it happened in one line as its cause. */
    ODBCException failure(String why) {
        return new ODBCException(text, reason, new ODBCException.Cause(why, reason));
    }

    /** The kind of failure a message reports; INTERNAL for a text that is none of them. */
    static ODBCException.Reason reasonOf(String text) {
        for (Messages message : ALL) {
            if (message.text.equals(text)) {
                return message.reason;
            }
        }
        return ODBCException.Reason.INTERNAL;
    }
}
]=] @ONLY)
