// What became of a step: success, or why not, in one line that can reach
// Java as an exception's cause. A failed system call keeps its errno and
// the path it failed on.
#pragma once

#include <string>
#include <string_view>

namespace rireve {

class [[nodiscard]] Status {
public:
    Status() = default;  // success

    static Status failure(std::string reason) {
        Status status;
        status.reason_ = std::move(reason);
        return status;
    }
    // "<what> <path>: <the system's text for error>"
    static Status systemFailure(std::string_view what, std::string_view path, int error);

    // The same failure, its errno kept, with `more` said after its reason.
    Status saying(std::string_view more) const {
        Status status = *this;
        status.reason_ += "; " + std::string(more);
        return status;
    }

    bool ok() const { return reason_.empty(); }
    const std::string& reason() const { return reason_; }
    int error() const { return error_; }

private:
    std::string reason_;
    int error_ = 0;
};

}  // namespace rireve
