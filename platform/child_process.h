// A helper program run as a child process: its request written to its
// standard input, its standard output read back, its time bounded. One
// implementation file per platform.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "base/status.h"

namespace rireve {

// How the child ended, and what it wrote.
struct ChildEnd {
    // signalled: on Windows, ended by an exception; timedOut: killed past its wait.
    enum class Kind { exited, signalled, timedOut };
    Kind kind = Kind::exited;
    int code = 0;  // the exit status, the signal, or the exception's code
    std::string output;
};

// Runs `program` without arguments, its standard error discarded: writes
// `input`, reads its output until it ends, and kills it once `wait` has
// passed. Fails only when it cannot be started, naming the program and the
// system's error.
Status runChild(const std::string& program, std::string_view input, std::chrono::milliseconds wait, ChildEnd& end);

// "signal 11 (SIGSEGV)", "exception 0xC0000005", "exit status 3".
std::string describeEnd(const ChildEnd& end);

}  // namespace rireve
