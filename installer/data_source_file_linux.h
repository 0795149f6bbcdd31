// Linux: the configuration file of a scope, open for changes.
#pragma once

#include <string_view>

#include "base/status.h"
#include "catalog/scope.h"
#include "installer/installer.h"
#include "profile/profile_writer_linux.h"

namespace rireve {

// Opens the user's or the system's file of a kind for changes. A system file
// that this user may not change is refused with the hint that root may
// ("system data sources are changed", "the system's drivers are installed").
Status openScopeFile(Scope scope, ProfileFile user, ProfileFile system, const RequestOptions& options,
                     std::string_view what, ProfileWriter& file);

// Opens the user's or the system's data source file for changes.
Status openDataSourceFile(Scope scope, const RequestOptions& options, ProfileWriter& file);

// Opens the user's or the system's driver file for changes.
Status openDriverFile(Scope scope, const RequestOptions& options, ProfileWriter& file);

}  // namespace rireve
