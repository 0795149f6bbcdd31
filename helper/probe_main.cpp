// ri-reve-probe: one connection test in a process of its own, so that a
// driver that crashes or hangs takes only this process with it. The Java
// side starts it, writes the request to its standard input and reads the
// report (probe/report_text.h) from its standard output:
//   the timeout in seconds, a line feed, then the connection string to the end.
// Nothing of the request is ever written elsewhere.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "helper/child.h"
#include "probe/connection_probe.h"
#include "probe/report_text.h"

namespace {

bool readRequest(unsigned& timeoutSeconds, std::string& connectionString) {
    std::string input;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) {
        input.append(buffer, got);
        if (input.size() > 1 << 20) return false;
    }
    const std::size_t end = input.find('\n');
    if (end == std::string::npos || end == 0 || end > 9) return false;
    const std::string timeout = input.substr(0, end);
    if (timeout.find_first_not_of("0123456789") != std::string::npos) return false;
    timeoutSeconds = static_cast<unsigned>(std::strtoul(timeout.c_str(), nullptr, 10));
    connectionString = input.substr(end + 1);
    return true;
}

void writeReport(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

int main() {
    rireve::prepareChild();
    unsigned timeoutSeconds = 0;
    std::string connectionString;
    if (!readRequest(timeoutSeconds, connectionString)) {
        writeReport(rireve::formatFailure(rireve::Outcome::of(rireve::Status::failure("the probe's request is malformed"))));
        return 2;
    }
    rireve::limitChild(timeoutSeconds);
    rireve::ConnectionReport report;
    const rireve::Outcome outcome = rireve::probeConnection(connectionString, timeoutSeconds, report);
    writeReport(outcome.ok() ? rireve::formatReport(report) : rireve::formatFailure(outcome));
    return 0;
}
