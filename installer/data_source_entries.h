// Changes to one data source's own entries, made in place: on Linux in its
// data source file, one section's lines (profile/profile_writer_linux.h); on
// Windows, entries set by the installer's configuration request for the
// scope (ODBC_CONFIG_DSN, ODBC_CONFIG_SYS_DSN), which hands them to the
// driver's setup, and entries taken out with its profile functions. One
// implementation file per platform.
#pragma once

#include <sql.h>

#include <string_view>
#include <vector>

#include "base/status.h"
#include "catalog/scope.h"
#include "installer/installer.h"
#include "profile/profile.h"

namespace rireve {

// Makes the edits to the entries of the data source of that name in that
// scope, which must be there; or says why not. `odbc` is the request's
// environment.
Status editDataSourceEntries(SQLHENV odbc, Scope scope, std::string_view name, const std::vector<EntryEdit>& edits,
                             const RequestOptions& options);

}  // namespace rireve
