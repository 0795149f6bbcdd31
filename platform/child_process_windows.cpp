// Windows: CreateProcess with its standard handles on pipes, in a job that
// kills it when this process ends (the job's last handle closes).
#include <windows.h>

#include <string>

#include "platform/child_process.h"

namespace rireve {
namespace {

using Clock = std::chrono::steady_clock;

class Handle {
public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
    ~Handle() { reset(nullptr); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    HANDLE* out() { return &handle_; }
    void reset(HANDLE handle) {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_;
};

Status lastFailure(const char* what, const std::string& program) {
    return Status::systemFailure(what, program, static_cast<int>(GetLastError()));
}

// A pipe whose end `kept` stays with this process, not inherited.
bool makePipe(Handle& read, Handle& write, bool keepRead) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!CreatePipe(read.out(), write.out(), &inherit, 0)) return false;
    return SetHandleInformation(keepRead ? read.get() : write.get(), HANDLE_FLAG_INHERIT, 0) != 0;
}

void drain(HANDLE pipe, std::string& output) {
    char buffer[4096];
    for (DWORD ready = 0; PeekNamedPipe(pipe, nullptr, 0, nullptr, &ready, nullptr) && ready > 0;) {
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, ready < sizeof buffer ? ready : sizeof buffer, &got, nullptr) || got == 0) return;
        output.append(buffer, got);
    }
}

// A job that kills its processes once its last handle closes: this
// process's, at the latest when it ends.
void makeKillingJob(Handle& job) {
    job.reset(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job.get() != nullptr) SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
}

// Reads the child's output until it ends or the deadline; true when it ended.
bool awaitEnd(HANDLE child, HANDLE output, Clock::time_point deadline, std::string& text) {
    while (WaitForSingleObject(child, 10) == WAIT_TIMEOUT) {
        drain(output, text);
        if (Clock::now() >= deadline) return false;
    }
    drain(output, text);
    return true;
}

}  // namespace

Status runChild(const std::string& program, std::string_view input, std::chrono::milliseconds wait, ChildEnd& end) {
    const Clock::time_point deadline = Clock::now() + wait;
    Handle inRead, inWrite, outRead, outWrite;
    if (!makePipe(inRead, inWrite, false) || !makePipe(outRead, outWrite, true)) {
        return lastFailure("cannot make a pipe to", program);
    }
    Handle discard(CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    SetHandleInformation(discard.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead.get();
    startup.hStdOutput = outWrite.get();
    startup.hStdError = discard.get();
    std::string commandLine = "\"" + program + "\"";
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED | CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process)) {
        return lastFailure("cannot run", program);
    }
    Handle child(process.hProcess);
    Handle thread(process.hThread);
    Handle job;
    makeKillingJob(job);
    if (job.get() != nullptr) AssignProcessToJobObject(job.get(), child.get());
    ResumeThread(thread.get());
    inRead.reset(nullptr);
    outWrite.reset(nullptr);
    DWORD written = 0;
    WriteFile(inWrite.get(), input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    inWrite.reset(nullptr);
    if (!awaitEnd(child.get(), outRead.get(), deadline, end.output)) {
        TerminateProcess(child.get(), 1);
        WaitForSingleObject(child.get(), INFINITE);
        end.kind = ChildEnd::Kind::timedOut;
        return {};
    }
    DWORD code = 0;
    GetExitCodeProcess(child.get(), &code);
    end.code = static_cast<int>(code);
    end.kind = (code & 0xC0000000U) == 0xC0000000U ? ChildEnd::Kind::signalled : ChildEnd::Kind::exited;
    return {};
}

std::string describeEnd(const ChildEnd& end) {
    if (end.kind != ChildEnd::Kind::signalled) return "exit status " + std::to_string(end.code);
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "exception 0x";
    const auto code = static_cast<unsigned>(end.code);
    for (int shift = 28; shift >= 0; shift -= 4) text.push_back(kDigits[(code >> shift) & 0xFU]);
    return text;
}

}  // namespace rireve
