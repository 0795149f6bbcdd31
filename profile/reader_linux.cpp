// Linux: the files read through one descriptor and a small buffer, parsed
// as they come: a listing of a large file touches little memory beyond what
// it hands out. A read that meets the file mid-rewrite (unixODBC's tools
// truncate it and write it again in place) is made again, within a bound.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/driver_manager.h"
#include "profile/file_system_linux.h"
#include "profile/file_version_linux.h"
#include "profile/profile.h"
#include "profile/profile_text.h"

namespace rireve {
namespace {

std::string pathOf(ProfileFile file) { return driverManager().findFile(file).path; }

constexpr std::size_t kBufferSize = std::size_t{128} * 1024;

// Feeds the file to the parser part by part, counting the bytes read in
// `total`; a line longer than the buffer grows it.
Status parseFile(int fd, const std::string& path, ProfileParser& parser, off_t& total) {
    std::vector<char> buffer(kBufferSize);
    std::size_t held = 0;  // bytes of a line begun in the last part
    for (;;) {
        if (held == buffer.size()) buffer.resize(buffer.size() * 2);
        const ssize_t got = ::read(fd, buffer.data() + held, buffer.size() - held);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Status::systemFailure("cannot read", path, errno);
        total += got;
        const std::size_t size = held + static_cast<std::size_t>(got);
        const std::size_t taken = parser.read(std::string_view(buffer.data(), size), got == 0);
        if (got == 0 || parser.rejected()) return {};
        held = size - taken;
        std::memmove(buffer.data(), buffer.data() + taken, held);
    }
}

struct FileRead {
    ProfileAccess access = ProfileAccess::read;
    int error = 0;          // why a file could not be opened
    std::string rejection;  // why the reader rejects it
};

// One whole version of the file, read through one descriptor whose status
// is the same before and after the read, with as many bytes as it says, and
// settled (file_version_linux.h).
bool isWhole(const std::string& path, int fd, const struct stat& before, off_t total) {
    struct stat after = {};
    if (!statDescriptor(fd, after) || !sameVersion(before, after) || total != after.st_size) return false;
    return isSettled(path, before, [&] {
        struct stat now = {};
        return statDescriptor(fd, now) && sameVersion(before, now);
    });
}

// One read; `whole` unless it met the file mid-rewrite.
Status readOnce(const std::string& path, const std::vector<std::string_view>& keys, ProfileRules rules,
                Profile& profile, FileRead& read, bool& whole) {
    whole = true;
    profile.clear();
    // Opened without blocking, to see that it is a regular file: a FIFO's
    // open would wait for a writer.
    Descriptor file;
    struct stat status = {};
    Status opened = openRegularFile(path, O_RDONLY, file, status, read.error);
    if (read.error != 0) {  // missing or unreadable: no sections, as for the driver manager
        read.access = read.error == ENOENT ? ProfileAccess::missing : ProfileAccess::unreadable;
        return {};
    }
    if (!opened.ok()) return opened;
    ProfileText parsed;
    parsed.sections.reserve(static_cast<std::size_t>(status.st_size) / 128 + 8);  // sections of a typical size
    ProfileParser parser(rules, keys, false, parsed);
    off_t total = 0;
    Status got = parseFile(file.get(), path, parser, total);
    if (!got.ok()) return got;
    // The reader stops at a rejection, which a file cut short shows too.
    whole = isWhole(path, file.get(), status, parser.rejected() ? status.st_size : total);
    if (!whole) return {};
    profile = std::move(parsed.sections);
    read.rejection = std::move(parsed.rejection);
    if (!read.rejection.empty()) read.access = ProfileAccess::rejected;
    return {};
}

Status readFile(const std::string& path, const std::vector<std::string_view>& keys, ProfileRules rules,
                Profile& profile, FileRead& read) {
    for (int tries = 0; tries < kAttempts; ++tries) {
        read = FileRead();
        bool whole = true;
        Status status = readOnce(path, keys, rules, profile, read, whole);
        if (!status.ok() || whole) return status;
        std::this_thread::sleep_for(kFirstPause * (1 << tries));
    }
    return Status::failure(path + " was being rewritten by another program during each of " + std::to_string(kAttempts) +
                           " reads of it");
}

}  // namespace

Status findProfilePath(ProfileFile file, std::string& path) {
    path = pathOf(file);
    return {};
}

Status readProfile(const std::string& path, Profile& profile, const std::vector<std::string_view>& keys,
                   ProfileAccess* access, ProfileRules rules) {
    FileRead read;
    Status status = readFile(path, keys, rules, profile, read);
    if (access != nullptr) *access = read.access;
    return status;
}

Status readProfileFile(ProfileFile file, Profile& profile, const std::vector<std::string_view>& keys,
                       ProfileAccess* access, ProfileRules rules) {
    return readProfile(pathOf(file), profile, keys, access, rules);
}

Status readReadableProfileFile(ProfileFile file, Profile& profile) {
    const std::string path = pathOf(file);
    FileRead read;
    Status status = readFile(path, {}, ProfileRules::opened, profile, read);
    if (!status.ok()) return status;
    if (read.access == ProfileAccess::unreadable) return Status::systemFailure("cannot read", path, read.error);
    if (read.access == ProfileAccess::rejected) {
        return Status::failure(std::string(driverManager().name) + " reads nothing of " + path + ": " + read.rejection);
    }
    return {};
}

Status readDriverFiles(Profile& system, Profile& user) {
    ProfileAccess access = ProfileAccess::read;
    user.clear();
    Status read = readProfileFile(ProfileFile::drivers, system, {}, &access);
    if (!read.ok() || access == ProfileAccess::rejected) return read;
    return readProfileFile(ProfileFile::userDrivers, user, {}, nullptr, ProfileRules::added);
}

}  // namespace rireve
