// A plan carried out. On Linux each file is written once, through the
// library's writer (profile/profile_writer_linux.h), its changes decided
// again from the very version written; a file that cannot be written puts
// back those written before it. On Windows the installer's requests make
// the changes one at a time: what is done stays done. One implementation
// file per platform.
#pragma once

#include <vector>

#include "installer/installer.h"
#include "state/file_plan.h"
#include "state/machine.h"
#include "state/state.h"

namespace rireve {

// The changes of `planned` (one for each of `wanted`) made; the report says
// what was done, or where it stopped and what was put back.
void carryOutPlan(const Machine& machine, const std::vector<FileWanted>& wanted,
                  const std::vector<FileChanges>& planned, const RequestOptions& options, ApplyReport& report);

}  // namespace rireve
