/* A driver that misbehaves on demand, for the connection test's isolation:
 * its connect function crashes when the connection string holds "crash" and
 * never returns when it holds "hang". Built also against a library that is
 * then not shipped, for a driver whose dependency is missing. */
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <sql.h>
#include <sqlext.h>

#ifdef NEEDS_GONE
void gone_function(void);
#endif

static int handles;

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE parent, SQLHANDLE *out) {
#ifdef NEEDS_GONE
    gone_function();
#endif
    *out = (SQLHANDLE)&handles;
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC dbc, SQLHWND window, SQLCHAR *in, SQLSMALLINT inLength, SQLCHAR *out,
                                   SQLSMALLINT outSize, SQLSMALLINT *outLength, SQLUSMALLINT completion) {
    if (strstr((const char *)in, "crash")) raise(SIGSEGV);
    if (strstr((const char *)in, "hang")) {
        for (;;) pause();
    }
    return SQL_ERROR;
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC dbc) {
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number, SQLCHAR *state,
                                SQLINTEGER *nativeError, SQLCHAR *message, SQLSMALLINT size, SQLSMALLINT *length) {
    return SQL_NO_DATA;
}
