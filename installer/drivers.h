// Installed drivers and the rest of what the configuration holds beside data
// sources: a driver's installation with its usage count, its removal and
// the edits of its entries; the driver manager's own settings; file data
// sources. One header each; this one holds them all.
#pragma once

#include "installer/driver_manager_settings.h"
#include "installer/file_data_sources.h"
#include "installer/installed_drivers.h"
