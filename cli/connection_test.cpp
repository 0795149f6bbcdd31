// test: one connection, in the probe's own process, and what it found.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "base/text_rules.h"
#include "cli/messages.h"
#include "cli/probe_process.h"
#include "cli/records.h"
#include "cli/runners.h"
#include "probe/test_target.h"

namespace rireve {
namespace {

using Clock = std::chrono::steady_clock;

// Time past the timeout for a driver that honours its login timeout to say so itself.
constexpr auto kGrace = std::chrono::milliseconds(250);

struct Diagnostic {
    std::string state;
    long long nativeError = 0;
    std::string message;
};

struct Result {
    std::string status = "FAILED";  // CONNECTED, FAILED, TIMED_OUT, CRASHED, NOT_FOUND
    std::string reason;
    std::string facts[4];  // driver name and version, DBMS name and version
    std::vector<Diagnostic> diagnostics;
    long long elapsedMillis = 0;
};

// Takes every secret (of three characters or more: a shorter one would take
// letters out of every word) out of a text.
std::string redacted(std::string text, const std::vector<std::string>& secrets) {
    for (const std::string& secret : secrets) {
        if (secret.size() < 3) continue;
        for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 4)) {
            text.replace(at, secret.size(), "****");
        }
    }
    return text;
}

std::string unescaped(const std::string& value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size()) {
            text += static_cast<char>(std::strtol(value.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            text += value[i];
        }
    }
    return text;
}

// The values of the password keys of a connection string, braced or not.
std::vector<std::string> passwordsIn(const std::string& text) {
    std::vector<std::string> found;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t equals = text.find('=', at);
        if (equals == std::string::npos) break;
        const std::string_view key = trimBlanks(std::string_view(text).substr(at, equals - at));
        std::size_t end = 0;
        std::string value;
        if (equals + 1 < text.size() && text[equals + 1] == '{') {
            const std::size_t close = std::min(text.find('}', equals + 2), text.size());
            value = text.substr(equals + 2, close - equals - 2);
            end = text.find(';', close);
        } else {
            end = text.find(';', equals);
            value = text.substr(equals + 1, end == std::string::npos ? std::string::npos : end - equals - 1);
        }
        if (sameProfileName(key, "PWD") || sameProfileName(key, "PASSWORD")) found.push_back(value);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return found;
}

// A connection string's value, braced where its text would otherwise end it or be trimmed.
std::string braced(const std::string& text) {
    const bool plain = !text.empty() && trimBlanks(text) == text && text.find_first_of(";{}") == std::string::npos;
    if (plain) return text;
    std::string escaped;
    for (char c : text) escaped += c == '}' ? std::string("}}") : std::string(1, c);
    return "{" + escaped + "}";
}

// The report (probe/report_text.h) of a test that ran to its end; false with
// `failure` when the driver manager could not be used.
bool readReport(const std::string& report, const std::vector<std::string>& secrets, Result& result, std::string& failure) {
    static const char* const names[] = {"driver-name", "driver-version", "dbms-name", "dbms-version"};
    bool connected = false;
    for (std::size_t at = 0; at < report.size();) {
        const std::size_t end = std::min(report.find('\n', at), report.size());
        const std::string line = report.substr(at, end - at);
        at = end + 1;
        const std::size_t space = line.find(' ');
        const std::string name = line.substr(0, space);
        const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        if (name == "connected") connected = value == "yes";
        if (name == "failure") {
            failure = redacted(unescaped(value), secrets);
            return false;
        }
        if (name == "diagnostic") {
            const std::size_t first = value.find(' ');
            const std::size_t second = first == std::string::npos ? first : value.find(' ', first + 1);
            Diagnostic diagnostic{value.substr(0, first), 0, ""};
            if (first != std::string::npos) diagnostic.nativeError = std::strtoll(value.substr(first + 1).c_str(), nullptr, 10);
            if (second != std::string::npos) diagnostic.message = redacted(unescaped(value.substr(second + 1)), secrets);
            result.diagnostics.push_back(diagnostic);
        }
        for (int i = 0; i < 4; ++i) {
            if (name == names[i] && connected) result.facts[i] = redacted(unescaped(value), secrets);
        }
    }
    result.status = connected ? "CONNECTED" : "FAILED";
    if (connected) {
        result.reason = "connected to " + result.facts[2] + " " + result.facts[3] + " through " + result.facts[0] + " " +
                        result.facts[1];
    } else if (result.diagnostics.empty()) {
        result.reason = "the driver manager refused the connection without a diagnostic record";
    } else {
        result.reason = result.diagnostics.front().state + ": " + result.diagnostics.front().message;
    }
    return true;
}

// The whole seconds of the timeout given (rounded up, at most a day), or
// why it is not one.
bool timeoutSeconds(const std::optional<std::string>& given, unsigned& seconds, std::string& why) {
    if (!given) {
        seconds = 30;
        return true;
    }
    char* end = nullptr;
    const double value = std::strtod(given->c_str(), &end);
    if (given->empty() || *end != '\0') {
        why = "--timeout takes seconds: " + *given;
        return false;
    }
    if (!(value * 1000 >= 1)) {
        why = "the timeout must be positive: " + *given;
        return false;
    }
    const double millis = std::min(value * 1000, 24.0 * 3600 * 1000);
    seconds = static_cast<unsigned>(std::ceil(std::floor(millis) / 1000));
    return true;
}

// The first line of standard input; none when it holds no line (closed,
// empty, or an empty first line).
std::optional<std::string> firstLineOfInput() {
    std::string line;
    int c = EOF;
    while ((c = std::getchar()) != EOF && c != '\n') line += static_cast<char>(c);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) return std::nullopt;
    return line;
}

int print(Output& out, const Invocation& given, const Result& result) {
    if (out.json()) {
        // The driver's name is told for a driver not installed too.
        auto orNull = [&](int i) {
            const bool told = result.status == "CONNECTED" || (i == 0 && result.status == "DRIVER_NOT_INSTALLED");
            return told ? Json(result.facts[i]) : Json();
        };
        Json diagnostics = Json::array();
        for (const Diagnostic& d : result.diagnostics) {
            diagnostics.push_back({{"sqlState", d.state}, {"nativeError", d.nativeError}, {"message", d.message}});
        }
        std::string status = result.status;
        for (char& c : status) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        out.print({{"name", given.optionalName.empty() ? Json() : Json(given.optionalName.front())}, {"status", status},
                   {"connected", result.status == "CONNECTED"}, {"elapsedMillis", result.elapsedMillis},
                   {"reason", result.reason}, {"driverName", orNull(0)}, {"driverVersion", orNull(1)},
                   {"dbmsName", orNull(2)}, {"dbmsVersion", orNull(3)}, {"diagnostics", diagnostics}});
    } else {
        out.line(result.status + " in " + std::to_string(result.elapsedMillis) + " ms: " + result.reason);
        for (const Diagnostic& d : result.diagnostics) {
            out.line("  " + d.state + " (" + std::to_string(d.nativeError) + ") " + d.message);
        }
    }
    return result.status == "CONNECTED" ? kOk : kRefused;
}

long long millisSince(Clock::time_point started) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
}

// Runs the test in the probe's process; false when it could not be run, reported.
bool runInProbe(Output& out, const std::string& connection, unsigned seconds, const Environment& environment,
                const std::vector<std::string>& secrets, Clock::time_point started, Result& result, int& status) {
    const std::string program = probeProgram();
    ProbeRun run;
    const Status ran = runProbe(program, std::to_string(seconds) + "\n" + connection, environment,
                                started + std::chrono::seconds(seconds) + kGrace, run);
    if (!ran.ok()) {
        status = refuse(out, message::kStartConnectionTest, ran.reason());
        return false;
    }
    std::string failure;
    if (run.timedOut) {
        result.status = "TIMED_OUT";
        result.reason = "no answer within the timeout of " + std::to_string(seconds) +
                        " s: the test was given up and its process ended";
    } else if (run.report.size() < 4 || run.report.compare(run.report.size() - 4, 4, "end\n") != 0) {
        result.status = "CRASHED";
        result.reason = "the test's process ended with " + describeExit(run.exitStatus) +
                        " before it reported, in the driver or driver manager";
    } else if (!readReport(run.report, secrets, result, failure)) {
        status = refuse(out, message::kAllocateEnvironment, failure);
        return false;
    }
    return true;
}

}  // namespace

int runTest(const Invocation& given, Output& out) {
    const bool named = !given.optionalName.empty();
    if (named == given.connectionString.has_value()) {
        return out.usage("test takes a data source's NAME or --connection-string, one of them");
    }
    if (given.connectionString && (given.user || given.system || given.userName || given.passwordStdin)) {
        return out.usage("--connection-string carries its own user and password; it takes no scope");
    }
    unsigned seconds = 0;
    std::string why;
    if (!timeoutSeconds(given.timeout, seconds, why)) return out.usage(why);
    const Clock::time_point started = Clock::now();
    Result result;
    Environment environment;
    std::string connection;
    std::vector<std::string> secrets;
    int status = kOk;
    if (given.connectionString) {
        connection = *given.connectionString;
        secrets = passwordsIn(connection);
    } else {
        const std::string& name = given.optionalName.front();
        const std::optional<Scope> scope = given.user ? std::optional(Scope::user)
                                           : given.system ? std::optional(Scope::system)
                                                          : std::nullopt;
        TestTarget target;
        if (failed(out, findTestTarget(name, scope, target), message::kReadConfiguration, status)) return status;
        if (target.verdict != TestVerdict::ready) {
            result.status = target.verdict == TestVerdict::notFound ? "NOT_FOUND" : "DRIVER_NOT_INSTALLED";
            result.reason = target.reason;
            result.facts[0] = target.driver;
        } else if (target.hideUserDataSources && !hideUserDataSources(environment, name, why)) {
            result.status = "NOT_FOUND";
            result.reason = why;
        }
        connection = "DSN=" + braced(name);
        if (given.userName) connection += ";UID=" + braced(*given.userName);
        if (given.passwordStdin) {
            std::optional<std::string> password = firstLineOfInput();
            if (!password) return out.usage("--password-stdin found no line on standard input: give the password as its first line");
            connection += ";PWD=" + braced(*password);
            secrets.push_back(std::move(*password));
        }
    }
    if (result.status != "NOT_FOUND" && result.status != "DRIVER_NOT_INSTALLED" &&
        !runInProbe(out, connection, seconds, environment, secrets, started, result, status))
        return status;
    result.elapsedMillis = millisSince(started);
    return print(out, given, result);
}

}  // namespace rireve
