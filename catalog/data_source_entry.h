// One entry of the driver manager's data source list, read with
// SQLDataSources.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <string_view>

#include "base/text_rules.h"
#include "platform/odbc_environment.h"
#include "catalog/configuration.h"
#include "catalog/scope.h"

namespace rireve {

struct DataSourceEntry {
    char name[kTextBufferSize] = {};
    char driver[kTextBufferSize] = {};
    // SQL_FETCH_FIRST_USER or SQL_FETCH_FIRST_SYSTEM starts a list of one scope.
    SQLUSMALLINT direction = SQL_FETCH_NEXT;

    DataSourceEntry() = default;
    explicit DataSourceEntry(Scope scope)
        : direction(scope == Scope::system ? SQL_FETCH_FIRST_SYSTEM : SQL_FETCH_FIRST_USER) {}

    std::string_view nameText() const { return {name, strnlen(name, sizeof name)}; }
    std::string_view driverText() const { return {driver, strnlen(driver, sizeof driver)}; }

    // The next data source; [ODBC], the driver manager's own settings, is
    // passed over.
    bool fetchNext(SQLHENV odbc) {
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT driverLength = 0;
        bool fetched = false;
        do {
            fetched = odbcSucceeded(SQLDataSources(odbc, direction, reinterpret_cast<SQLCHAR*>(name), sizeof name,
                                                   &nameLength, reinterpret_cast<SQLCHAR*>(driver), sizeof driver,
                                                   &driverLength));
            direction = SQL_FETCH_NEXT;
        } while (fetched && sameProfileName(nameText(), kDriverManagerSection));
        return fetched;
    }
};

}  // namespace rireve
