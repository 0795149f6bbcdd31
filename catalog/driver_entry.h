// One entry of the driver manager's driver list, read with SQLDrivers.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstring>

#include "base/text_rules.h"
#include "platform/odbc_environment.h"

namespace rireve {

struct DriverEntry {
    char description[kTextBufferSize];
    char attributes[kTextBufferSize];

    // Reads the next driver of the list on this environment; false at the end.
    bool fetchNext(SQLHENV odbc) {
        // A list shorter than its predecessor must not run into the
        // predecessor's stale bytes.
        std::memset(attributes, 0, sizeof attributes);
        SQLSMALLINT descriptionLength = 0;
        SQLSMALLINT attributesLength = 0;
        return odbcSucceeded(SQLDrivers(odbc, SQL_FETCH_NEXT, reinterpret_cast<SQLCHAR*>(description),
                                        sizeof description, &descriptionLength,
                                        reinterpret_cast<SQLCHAR*>(attributes), sizeof attributes,
                                        &attributesLength));
    }

    bool describes(const char* wanted) const { return std::strncmp(description, wanted, kTextBufferSize) == 0; }
};

}  // namespace rireve
