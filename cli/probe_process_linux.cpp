#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "cli/probe_process.h"

namespace rireve {
namespace {

// The child's side: its streams, its environment, the program; on failure
// the errno goes back through `report`, which closes on a successful exec.
[[noreturn]] void startChild(const std::string& program, const Environment& environment, int input, int output,
                             int report) {
    const int null = open("/dev/null", O_WRONLY);
    if (dup2(input, 0) < 0 || dup2(output, 1) < 0 || null < 0 || dup2(null, 2) < 0) {
        const int error = errno;
        (void)!write(report, &error, sizeof error);
        _exit(127);
    }
    for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    const int error = errno;
    (void)!write(report, &error, sizeof error);
    _exit(127);
}

int exitStatusOf(int waited) {
    return WIFSIGNALED(waited) ? 128 + WTERMSIG(waited) : WIFEXITED(waited) ? WEXITSTATUS(waited) : 1;
}

int millisUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() <= 0 ? 0 : static_cast<int>(std::min<long long>(left.count(), INT_MAX));
}

// Reads the child's output until it closes it or the deadline passes; false on the deadline.
bool readUntil(int output, std::chrono::steady_clock::time_point deadline, std::string& report) {
    char buffer[8192];
    for (;;) {
        pollfd ready{output, POLLIN, 0};
        const int polled = poll(&ready, 1, millisUntil(deadline));
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) return false;
        const ssize_t got = read(output, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return true;
        report.append(buffer, static_cast<std::size_t>(got));
    }
}

// Waits for the child until the deadline; false when it is still running then.
bool waitUntil(pid_t child, std::chrono::steady_clock::time_point deadline, int& waited) {
    for (;;) {
        const pid_t done = waitpid(child, &waited, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR)) return true;
        if (millisUntil(deadline) == 0) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace

std::string probeProgram() {
    if (const char* named = std::getenv("RIREVE_PROBE")) return named;
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return "ri-reve-probe";
    const std::string path(self, static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + "ri-reve-probe";
}

Status runProbe(const std::string& program, const std::string& request, const Environment& environment,
                std::chrono::steady_clock::time_point deadline, ProbeRun& run) {
    int input[2];
    int output[2];
    int report[2];
    if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0 || pipe2(report, O_CLOEXEC) != 0) {
        return Status::systemFailure("cannot make the pipes to", program, errno);
    }
    const pid_t child = fork();
    if (child < 0) return Status::systemFailure("cannot start", program, errno);
    if (child == 0) startChild(program, environment, input[0], output[1], report[1]);
    close(input[0]);
    close(output[1]);
    close(report[1]);
    int error = 0;
    const bool started = read(report[0], &error, sizeof error) != static_cast<ssize_t>(sizeof error);
    close(report[0]);
    // A probe that ended before it read the request says why by its exit.
    for (std::string_view left = request; started && !left.empty();) {
        const ssize_t written = write(input[1], left.data(), left.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        left.remove_prefix(static_cast<std::size_t>(written));
    }
    close(input[1]);
    run.timedOut = started && !readUntil(output[0], deadline, run.report);
    close(output[0]);
    int waited = 0;
    if (run.timedOut || !waitUntil(child, deadline, waited)) {
        run.timedOut = true;
        kill(child, SIGKILL);
        waitpid(child, &waited, 0);
    }
    run.exitStatus = exitStatusOf(waited);
    return started ? Status() : Status::failure("cannot run " + program + ": " + std::strerror(error));
}

bool hideUserDataSources(Environment& environment, const std::string&, std::string&) {
    // unixODBC's user file, out of the child's sight.
    environment.emplace_back("ODBCINI", "/dev/null");
    return true;
}

std::string describeExit(int exitStatus) {
    static const char* const names[] = {"",     "HUP",  "INT",  "QUIT", "ILL",  "TRAP", "ABRT", "BUS",
                                        "FPE",  "KILL", "USR1", "SEGV", "USR2", "PIPE", "ALRM", "TERM"};
    if (exitStatus > 128 && exitStatus < 128 + 65) {
        const int signal = exitStatus - 128;
        return "signal " + std::to_string(signal) +
               (signal < 16 ? std::string(" (SIG") + names[signal] + ")" : std::string());
    }
    return "exit status " + std::to_string(exitStatus);
}

}  // namespace rireve
