// ri-reve-probe: one connection test, or one request for a driver's setup
// library, in a process of its own, so that a driver or setup library that
// crashes or hangs takes only this process with it. The parent starts it,
// writes the request to its standard input and reads the report from its
// standard output. A connection test (probe/report_text.h), from Java:
//   the timeout in seconds, a line feed, then the connection string to the end.
// A setup request (installer/setup_request.h), from the native library:
//   the line "setup", then the request.
// Nothing of the request is ever written elsewhere.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "helper/child.h"
#include "installer/setup_call.h"
#include "probe/connection_probe.h"
#include "probe/report_text.h"

namespace {

bool readInput(std::string& input) {
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) {
        input.append(buffer, got);
        if (input.size() > 1 << 20) return false;
    }
    return true;
}

bool readRequest(const std::string& input, unsigned& timeoutSeconds, std::string& connectionString) {
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

int refuseMalformed() {
    writeReport(rireve::formatFailure(rireve::Outcome::of(rireve::Status::failure("the probe's request is malformed"))));
    return 2;
}

// The parent bounds the time: it kills this process past the request's wait.
int answerSetup(std::string_view input) {
    rireve::SetupRequest request;
    if (!rireve::parseSetupRequest(input, request)) return refuseMalformed();
    writeReport(rireve::formatSetupAnswer(rireve::callSetup(request)));
    return 0;
}

}  // namespace

int main() {
    rireve::prepareChild();
    std::string input;
    if (!readInput(input)) return refuseMalformed();
    const std::string_view setup = rireve::kSetupRequestLine;
    if (input.compare(0, setup.size(), setup) == 0) return answerSetup(std::string_view(input).substr(setup.size()));
    unsigned timeoutSeconds = 0;
    std::string connectionString;
    if (!readRequest(input, timeoutSeconds, connectionString)) return refuseMalformed();
    rireve::limitChild(timeoutSeconds);
    rireve::ConnectionReport report;
    const rireve::Outcome outcome = rireve::probeConnection(connectionString, timeoutSeconds, report);
    writeReport(outcome.ok() ? rireve::formatReport(report) : rireve::formatFailure(outcome));
    return 0;
}
