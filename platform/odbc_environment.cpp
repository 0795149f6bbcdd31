#include "platform/odbc_environment.h"

namespace rireve {

OdbcEnvironment::OdbcEnvironment() : allocated_(odbcSucceeded(SQLAllocEnv(&handle_))) {}

OdbcEnvironment::~OdbcEnvironment() {
    if (allocated_) SQLFreeEnv(handle_);
}

bool OdbcEnvironment::release() {
    if (!allocated_) return true;
    allocated_ = false;
    return odbcSucceeded(SQLFreeEnv(handle_));
}

}  // namespace rireve
