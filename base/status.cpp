#include "base/status.h"

#include <cstring>

namespace rireve {

Status Status::systemFailure(std::string_view what, std::string_view path, int error) {
    Status status = failure(std::string(what) + " " + std::string(path) + ": " + std::strerror(error));
    status.error_ = error;
    return status;
}

}  // namespace rireve
