// The ODBC installer library, bound at run time: the library is found on the
// first request that can find it and kept for the life of the process, and
// its entry points are looked up by name on every call. One implementation
// file per platform.
#pragma once

#include <sql.h>
#include <odbcinst.h>

// The installer's BOOL results; unixODBC's headers leave these to the caller.
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

namespace rireve {

// The installer's SQLConfigDataSource(parent, request, driver, attributes).
// FALSE when the installer refused, or could not be reached.
BOOL configDataSource(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes);

// The installer library's entry point of that name, or null once the user has
// been told why not.
void* resolveInstallerProc(const char* name);

}  // namespace rireve
