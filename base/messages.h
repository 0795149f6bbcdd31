// The library's messages, each with the kind of failure it reports: the name
// of its ODBCException.Reason. This list is the one table of every front end
// (the JNI layer raises them, the command line prints them) and of the Java
// side: the build writes com.nq.odbc.Messages from its lines, so each entry
// stays on one line of the form MESSAGE(name, "text", REASON).
#pragma once

#include <string_view>

#define RIREVE_MESSAGES(MESSAGE) \
    MESSAGE(kAllocateEnvironment, "Could not allocate ODBC environmental handle!", DRIVER_MANAGER) \
    MESSAGE(kFreeEnvironment, "Could not free ODBC environmental handle!", DRIVER_MANAGER) \
    MESSAGE(kReadConfiguration, "Could not read ODBC configuration!", CONFIGURATION_UNREADABLE) \
    MESSAGE(kNameIsNull, "DataSource name is null!", INVALID_ARGUMENT) \
    MESSAGE(kDriverIsNull, "Driver name is null!", INVALID_ARGUMENT) \
    MESSAGE(kRegisterRefused, "Error trying to register ODBC DataSource!", REFUSED) \
    MESSAGE(kRemoveRefused, "Error trying to remove ODBC DataSource!", REFUSED) \
    MESSAGE(kConfigureRefused, "Error trying to configure ODBC DataSource!", REFUSED) \
    MESSAGE(kNameIsInvalid, "DataSource name is invalid!", INVALID_ARGUMENT) \
    MESSAGE(kAttributesTooLong, "DataSource attribute text is too long!", INVALID_ARGUMENT) \
    MESSAGE(kAttributesInvalid, "DataSource attribute text is invalid!", INVALID_ARGUMENT) \
    MESSAGE(kConnectionStringIsNull, "Connection string is null!", INVALID_ARGUMENT) \
    MESSAGE(kConnectionStringInvalid, "Connection string is invalid!", INVALID_ARGUMENT) \
    MESSAGE(kStartConnectionTest, "Could not start the connection test!", INTERNAL) \
    MESSAGE(kFinishConnectionTest, "Could not finish the connection test!", INTERNAL) \
    MESSAGE(kDiagnoseFailed, "Could not diagnose the ODBC configuration!", CONFIGURATION_UNREADABLE) \
    MESSAGE(kDriverNameIsInvalid, "Driver name is invalid!", INVALID_ARGUMENT) \
    MESSAGE(kInstallDriverRefused, "Error trying to install ODBC driver!", REFUSED) \
    MESSAGE(kRemoveDriverRefused, "Error trying to remove ODBC driver!", REFUSED) \
    MESSAGE(kConfigureDriverRefused, "Error trying to configure ODBC driver!", REFUSED) \
    MESSAGE(kConfigureSettingsRefused, "Error trying to configure the ODBC driver manager!", REFUSED) \
    MESSAGE(kPathIsNull, "File data source path is null!", INVALID_ARGUMENT) \
    MESSAGE(kFileDataSourceRefused, "Error trying to change ODBC file data source!", REFUSED) \
    MESSAGE(kFileDataSourceUnreadable, "Could not read ODBC file data source!", CONFIGURATION_UNREADABLE) \
    MESSAGE(kStateIsNull, "ODBC configuration state is null!", INVALID_ARGUMENT) \
    MESSAGE(kStateInvalid, "ODBC configuration state is invalid!", INVALID_ARGUMENT) \
    MESSAGE(kApplyStateRefused, "Error trying to apply ODBC configuration state!", REFUSED) \
    MESSAGE(kInternalError, "Internal error in the ODBC library!", INTERNAL)

namespace rireve {

struct Message {
    const char* text;
    const char* reason;
};

namespace message {
#define RIREVE_MESSAGE(name, text, reason) inline constexpr Message name{text, #reason};
RIREVE_MESSAGES(RIREVE_MESSAGE)
#undef RIREVE_MESSAGE
}  // namespace message

// Whether the message reports a request that no configuration could accept
// (a usage error, to the command line).
inline bool isMisuse(const Message& message) { return std::string_view(message.reason) == "INVALID_ARGUMENT"; }

}  // namespace rireve
