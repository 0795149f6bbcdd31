// Linux: posix_spawn (a vfork, safe in a VM with many threads), the request
// through a socket so that a child gone early cannot raise SIGPIPE here.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <ctime>

#include "platform/child_process.h"

extern char** environ;

namespace rireve {
namespace {

using Clock = std::chrono::steady_clock;

// Both ends of a channel, closed on every way out.
struct Channel {
    int ends[2] = {-1, -1};
    ~Channel() {
        for (int end : ends) {
            if (end >= 0) close(end);
        }
    }
    void closeEnd(int which) {
        close(ends[which]);
        ends[which] = -1;
    }
};

struct SpawnActions {
    posix_spawn_file_actions_t actions{};
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
};

int millisLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

void writeInput(int fd, std::string_view input) {
    while (!input.empty()) {
        const ssize_t sent = send(fd, input.data(), input.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        // A child that reads nothing says why by how it ends.
        if (sent <= 0) return;
        input.remove_prefix(static_cast<std::size_t>(sent));
    }
}

// Reads until the end of the output or the deadline; true at the end.
bool readOutput(int fd, Clock::time_point deadline, std::string& output) {
    std::array<char, 4096> buffer{};
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        const int polled = poll(&ready, 1, millisLeft(deadline));
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) return false;
        const ssize_t got = read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return true;
        output.append(buffer.data(), static_cast<std::size_t>(got));
    }
}

// Waits for the child's end until the deadline; true once it is reaped.
bool reap(pid_t pid, Clock::time_point deadline, int& status) {
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return true;
        if (done < 0 && errno != EINTR) return true;
        if (Clock::now() >= deadline) return false;
        const timespec pause{0, 2'000'000};
        nanosleep(&pause, nullptr);
    }
}

void killChild(pid_t pid, ChildEnd& end) {
    ::kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    end.kind = ChildEnd::Kind::timedOut;
}

}  // namespace

Status runChild(const std::string& program, std::string_view input, std::chrono::milliseconds wait, ChildEnd& end) {
    const Clock::time_point deadline = Clock::now() + wait;
    Channel in;
    Channel out;
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in.ends) != 0) {
        return Status::systemFailure("cannot make a channel to", program, errno);
    }
    if (pipe2(out.ends, O_CLOEXEC) != 0) return Status::systemFailure("cannot make a pipe from", program, errno);
    SpawnActions spawn;
    posix_spawn_file_actions_adddup2(&spawn.actions, in.ends[1], 0);
    posix_spawn_file_actions_adddup2(&spawn.actions, out.ends[1], 1);
    posix_spawn_file_actions_addopen(&spawn.actions, 2, "/dev/null", O_WRONLY, 0);
    char* arguments[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, program.c_str(), &spawn.actions, nullptr, arguments, environ);
    if (failed != 0) return Status::systemFailure("cannot run", program, failed);
    in.closeEnd(1);
    out.closeEnd(1);
    writeInput(in.ends[0], input);
    shutdown(in.ends[0], SHUT_WR);
    int status = 0;
    if (!readOutput(out.ends[0], deadline, end.output) || !reap(pid, deadline, status)) {
        killChild(pid, end);
        return {};
    }
    end.kind = WIFSIGNALED(status) ? ChildEnd::Kind::signalled : ChildEnd::Kind::exited;
    end.code = WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status);
    return {};
}

std::string describeEnd(const ChildEnd& end) {
    if (end.kind != ChildEnd::Kind::signalled) return "exit status " + std::to_string(end.code);
    // Names as kill -l gives them; sigabbrev_np is newer than the glibc the library loads on.
    constexpr const char* kNames[] = {"",     "HUP",  "INT",  "QUIT", "ILL",  "TRAP", "ABRT", "BUS",
                                      "FPE",  "KILL", "USR1", "SEGV", "USR2", "PIPE", "ALRM", "TERM"};
    const bool named = end.code > 0 && end.code < static_cast<int>(std::size(kNames));
    return "signal " + std::to_string(end.code) + (named ? std::string(" (SIG") + kNames[end.code] + ")" : "");
}

}  // namespace rireve
