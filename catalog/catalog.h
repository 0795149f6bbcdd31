// The catalogue: installed drivers and configured data sources, as records.
// On Linux it is read straight from the configuration files
// (files_catalog_linux.cpp); on Windows the driver manager lists it
// (driver_manager_catalog.cpp).
//
// Every function runs on an ODBC environment of its own, as every operation
// of the driver manager's interface does, and says which step failed, so
// that the caller can report the driver manager's failures as its own.
#pragma once

#include <string_view>

#include "catalog/records.h"
#include "platform/odbc_environment.h"

namespace rireve {

// Every installed driver.
Outcome listDrivers(Catalog& catalog);

// Every configured data source, user and system, each with its driver when
// one of that description is installed.
Outcome listDataSources(Catalog& catalog);

// The first data source whose name has exactly these bytes: one record, or
// none when there is no such data source.
Outcome lookupDataSource(std::string_view name, Catalog& catalog);

// The data sources with scope, driver name and entries: the user data
// sources when `scopes` covers the user's, then the system ones, also those
// that a user data source of the same name hides from the driver manager.
Outcome listScopedDataSources(int scopes, Catalog& catalog);

// The data source of that name (letter case ignored) in that scope, as the
// scoped listing finds it: one record, or none.
Outcome lookupScopedDataSource(std::string_view name, Scope scope, Catalog& catalog);

}  // namespace rireve
