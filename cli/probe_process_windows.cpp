#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "cli/probe_process.h"
#include "platform/child_process.h"

namespace rireve {
namespace {

std::string lastError(const std::string& what) {
    return what + ": error " + std::to_string(GetLastError());
}

DWORD millisUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() <= 0 ? 0 : static_cast<DWORD>(std::min<long long>(left.count(), 0x7FFFFFFF));
}

// Reads what the child wrote so far, without waiting.
void drain(HANDLE output, std::string& report) {
    DWORD available = 0;
    while (PeekNamedPipe(output, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char buffer[8192];
        DWORD got = 0;
        if (!ReadFile(output, buffer, available < sizeof buffer ? available : sizeof buffer, &got, nullptr) || got == 0) return;
        report.append(buffer, got);
    }
}

}  // namespace

std::string probeProgram() {
    if (const char* named = std::getenv("RIREVE_PROBE")) return named;
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    if (length == 0 || length >= sizeof self) return "ri-reve-probe.exe";
    const std::string path(self, length);
    return path.substr(0, path.find_last_of("\\/") + 1) + "ri-reve-probe.exe";
}

Status runProbe(const std::string& program, const std::string& request, const Environment&,
                std::chrono::steady_clock::time_point deadline, ProbeRun& run) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE inputRead = nullptr;
    HANDLE inputWrite = nullptr;
    HANDLE outputRead = nullptr;
    HANDLE outputWrite = nullptr;
    if (!CreatePipe(&inputRead, &inputWrite, &inherited, 0) || !CreatePipe(&outputRead, &outputWrite, &inherited, 0)) {
        return Status::failure(lastError("cannot make the pipes to " + program));
    }
    SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE null = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherited, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inputRead;
    startup.hStdOutput = outputWrite;
    startup.hStdError = null;
    PROCESS_INFORMATION child{};
    std::string commandLine = "\"" + program + "\"";
    const BOOL started = CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &child);
    const std::string why = started ? std::string() : lastError("cannot run " + program);
    CloseHandle(inputRead);
    CloseHandle(outputWrite);
    if (null != INVALID_HANDLE_VALUE) CloseHandle(null);
    if (!started) {
        CloseHandle(inputWrite);
        CloseHandle(outputRead);
        return Status::failure(why);
    }
    DWORD written = 0;
    WriteFile(inputWrite, request.data(), static_cast<DWORD>(request.size()), &written, nullptr);
    CloseHandle(inputWrite);
    // A report is small; it is read as it comes, so that a full pipe never blocks the child.
    while (WaitForSingleObject(child.hProcess, 10) == WAIT_TIMEOUT) {
        drain(outputRead, run.report);
        if (millisUntil(deadline) == 0) {
            run.timedOut = true;
            TerminateProcess(child.hProcess, 1);
            WaitForSingleObject(child.hProcess, INFINITE);
            break;
        }
    }
    drain(outputRead, run.report);
    DWORD exit = 0;
    GetExitCodeProcess(child.hProcess, &exit);
    run.exitStatus = static_cast<int>(exit);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    CloseHandle(outputRead);
    return {};
}

bool hideUserDataSources(Environment&, const std::string& name, std::string& why) {
    // The driver manager always looks in the user's scope first.
    why = "the system data source " + name +
          " is hidden by a user data source of the same name, which the driver manager connects to instead";
    return false;
}

// The child's end in the words of the setup requests' child.
std::string describeExit(int exitStatus) {
    ChildEnd end;
    end.code = exitStatus;
    end.kind = (static_cast<unsigned>(exitStatus) & 0xC0000000U) == 0xC0000000U ? ChildEnd::Kind::signalled
                                                                                 : ChildEnd::Kind::exited;
    return describeEnd(end);
}

}  // namespace rireve
