// The ODBC installer library, bound at run time: the library is found on the
// first request that can find it and kept for the life of the process, and
// its entry points are looked up by name on every call. One implementation
// file per platform.
//
// Binding never shows anything: it reports what it came to. Only the
// installer request's own path tells the user (tellInstallerUser), as the
// installer library itself would: a message box on Windows, standard error
// on Linux.
#pragma once

#include <sql.h>
#include <odbcinst.h>

#include <string>

#include "base/status.h"

// The installer's BOOL results; unixODBC's headers leave these to the caller.
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

namespace rireve {

enum class BindResult {
    bound,
    libraryMissing,  // no installer library could be loaded
    entryMissing,    // the library has no entry point of that name
};

// One entry point of the installer library, or why there is none.
struct InstallerProc {
    void* address = nullptr;
    BindResult result = BindResult::libraryMissing;
    std::string library;  // the file tried, or the one loaded

    bool bound() const { return result == BindResult::bound; }
    // One line for an exception's cause or a log: what is missing, and where.
    std::string reason(const char* name) const;
};

// Finds the entry point of that name; shows nothing.
InstallerProc findInstallerProc(const char* name);

// Shows the user, as the installer library would, why the entry point of
// that name could not be bound.
void tellInstallerUser(const char* name, const InstallerProc& proc);

// Finds the entry point of that name and, when it is not bound, tells the
// user why not: the installer request's path.
InstallerProc resolveInstallerProc(const char* name);

template <typename Proc>
Proc procAddress(const InstallerProc& proc) {
    return reinterpret_cast<Proc>(proc.address);
}

// The entry point of that name, found as resolveInstallerProc finds it, or
// null with the reason in `status`.
template <typename Proc>
Proc bindInstallerProc(const char* name, Status& status) {
    const InstallerProc found = resolveInstallerProc(name);
    if (!found.bound()) status = Status::failure(found.reason(name));
    return found.bound() ? procAddress<Proc>(found) : nullptr;
}

// SQLConfigDataSource(parent, request, driver, attributes).
using ConfigDataSourceProc = BOOL(INSTAPI*)(HWND, WORD, LPCSTR, LPCSTR);

// The installer's own word on its latest failure (SQLInstallerError), as
// ": <message> (installer error <code>)", or empty when it has none.
std::string lastInstallerError();

}  // namespace rireve
