// Linux: the data source file of a scope, open for changes.
#pragma once

#include "base/status.h"
#include "catalog/scope.h"
#include "installer/installer.h"
#include "profile/profile_writer_linux.h"

namespace rireve {

// Opens the user's or the system's data source file for changes. A system
// file that this user may not change is refused with the hint that root may.
Status openDataSourceFile(Scope scope, const RequestOptions& options, ProfileWriter& file);

}  // namespace rireve
