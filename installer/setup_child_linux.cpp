// Linux: a setup library writes wherever it likes (unixODBC's writers
// rewrite a file in place), so every configuration file is taken before the
// child starts, and one that a crashed or hung child left changed is put back
// as a new file renamed over it, with the old one's owner, mode and
// attributes (its descriptor, held meanwhile, still has them).
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "installer/setup_request.h"
#include "profile/file_attributes_linux.h"
#include "profile/file_system_linux.h"
#include "profile/profile.h"

namespace rireve {
namespace {

struct FileCopy {
    std::string path;  // the final target
    bool exists = false;
    std::string bytes;
    struct stat status = {};
    std::unique_ptr<Descriptor> held = std::make_unique<Descriptor>();
};

// The final target of a path: links followed, as a change replaces it.
std::string targetOf(const std::string& path) {
    std::array<char, PATH_MAX> resolved{};
    return realpath(path.c_str(), resolved.data()) != nullptr ? std::string(resolved.data()) : path;
}

// Reads one file as it is now; one that is not a regular file, or that this
// process cannot read (nor so write), is left out.
Status takeFile(const std::string& path, FileCopy& copy, bool& kept) {
    copy.path = targetOf(path);
    int error = 0;
    kept = openRegularFile(copy.path, O_RDONLY, *copy.held, copy.status, error).ok();
    if (!kept || error == ENOENT) return {};
    copy.exists = true;
    return readAll(copy.held->get(), copy.bytes, copy.path);
}

Status takeFiles(std::vector<FileCopy>& copies) {
    for (ProfileFile file : {ProfileFile::drivers, ProfileFile::userDrivers, ProfileFile::systemDataSources,
                             ProfileFile::userDataSources}) {
        std::string path;
        if (!findProfilePath(file, path).ok() || path.empty()) continue;
        FileCopy copy;
        bool kept = false;
        Status taken = takeFile(path, copy, kept);
        if (!taken.ok()) return taken;
        if (kept && !copy.exists) copy.held.reset();
        if (kept) copies.push_back(std::move(copy));
    }
    return {};
}

bool unchanged(const FileCopy& copy) {
    FileCopy now;
    bool kept = false;
    if (!takeFile(copy.path, now, kept).ok()) return false;
    return now.exists == copy.exists && now.bytes == copy.bytes;
}

Status writeAll(int fd, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        const ssize_t wrote = write(fd, bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) return Status::systemFailure("cannot write", path, errno);
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return {};
}

Status putBack(const FileCopy& copy) {
    if (unchanged(copy)) return {};
    if (!copy.exists) {
        if (unlink(copy.path.c_str()) == 0 || errno == ENOENT) return {};
        return Status::systemFailure("cannot remove", copy.path, errno);
    }
    // Named as the writer's own copies, which it clears should this one be left.
    std::string temporary = folderOf(copy.path) + "/." + nameOf(copy.path) + ".XXXXXX";
    Descriptor file(mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0) return Status::systemFailure("cannot create a copy beside", copy.path, errno);
    Status status = copySecurity(copy.held->get(), copy.status, file.get(), temporary);
    if (status.ok()) status = writeAll(file.get(), copy.bytes, temporary);
    if (status.ok() && fsync(file.get()) != 0) status = Status::systemFailure("cannot flush", temporary, errno);
    if (status.ok() && rename(temporary.c_str(), copy.path.c_str()) != 0) {
        status = Status::systemFailure("cannot rename a copy over", copy.path, errno);
    }
    if (!status.ok()) unlink(temporary.c_str());
    return status;
}

Status putBackAll(const std::vector<FileCopy>& copies) {
    for (const FileCopy& copy : copies) {
        Status put = putBack(copy);
        if (!put.ok()) return put;
    }
    return {};
}

}  // namespace

Status runSetupInChild(const SetupRequest& request, const RequestOptions& options, bool& none) {
    none = false;
    std::vector<FileCopy> copies;
    Status taken = takeFiles(copies);
    if (!taken.ok()) return taken;
    SetupAnswer answer;
    bool answered = false;
    Status asked = askChild(request, options, answer, answered);
    if (!answered) {
        Status put = putBackAll(copies);
        return Status::failure(asked.reason() + (put.ok() ? "; every configuration file is as it was"
                                                          : "; a configuration file it changed is left so: " + put.reason()));
    }
    none = answer.verdict == SetupAnswer::Verdict::none;
    if (answer.verdict == SetupAnswer::Verdict::refused) return Status::failure(answer.reason);
    return {};
}

}  // namespace rireve
