// What each command does, once its arguments are bound: prints its answer
// and returns the exit status.
#pragma once

#include "cli/command_line.h"
#include "cli/output.h"

namespace rireve {

int runDrivers(const Invocation& given, Output& out);
int runShowDriver(const Invocation& given, Output& out);
int runInstallDriver(const Invocation& given, Output& out);
int runRemoveDriver(const Invocation& given, Output& out);
int runSetDriver(const Invocation& given, Output& out);
int runDataSources(const Invocation& given, Output& out);
int runShow(const Invocation& given, Output& out);
int runSet(const Invocation& given, Output& out);
int runAdd(const Invocation& given, Output& out);
int runRemove(const Invocation& given, Output& out);
int runTest(const Invocation& given, Output& out);
int runDoctor(const Invocation& given, Output& out);
int runSettings(const Invocation& given, Output& out);
int runSetSettings(const Invocation& given, Output& out);
int runTrace(const Invocation& given, Output& out);
int runFileDataSources(const Invocation& given, Output& out);
int runShowFileDataSource(const Invocation& given, Output& out);
int runAddFileDataSource(const Invocation& given, Output& out);
int runRemoveFileDataSource(const Invocation& given, Output& out);
int runExport(const Invocation& given, Output& out);
int runPlan(const Invocation& given, Output& out);
int runApply(const Invocation& given, Output& out);
int runHelp(const Invocation& given, Output& out);

}  // namespace rireve
