// A connection test's report as text: what the child process that runs a
// test writes for the Java side to read, and what the in-process test
// returns, so that both are read by one parser.
//
// One field a line, its name, a space and its value, ending with "end":
//   connected yes|no
//   driver-name, driver-version, dbms-name, dbms-version   TEXT
//   diagnostic STATE NATIVE-ERROR MESSAGE                  (each record, in order)
//   failure TEXT                                           (the driver manager cannot be used)
// Values escape %, tab, CR and LF as %25, %09, %0D, %0A.
#pragma once

#include <string>

#include "probe/connection_probe.h"

namespace rireve {

std::string formatReport(const ConnectionReport& report);
std::string formatFailure(const Outcome& outcome);

}  // namespace rireve
