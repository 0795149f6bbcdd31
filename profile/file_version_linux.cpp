#include "profile/file_version_linux.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "profile/file_system_linux.h"
#include "profile/open_writers_linux.h"

namespace rireve {
namespace {

// A folder this user alone may use: a record planted by another could spare
// a reader the pause that keeps it from a half-written file.
bool isOwnFolder(const std::string& folder, bool create) {
    if (create) (void)mkdir(folder.c_str(), S_IRWXU);
    struct stat status = {};
    return statPath(folder, status, false) && S_ISDIR(status.st_mode) && status.st_uid == geteuid() &&
           (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

// Empty when there is none this user may use.
std::string recordFolder(bool create) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && isOwnFolder(runtime, false)) {
        std::string folder = std::string(runtime) + "/ri-reve";
        if (isOwnFolder(folder, create)) return folder;
    }
    const std::string folder = "/tmp/ri-reve-" + std::to_string(geteuid());
    return isOwnFolder(folder, create) ? folder : std::string();
}

// The path with every link followed, so that a reader through a link finds
// what the writer recorded for the final target; a missing file's folder.
std::string canonicalPath(const std::string& path) {
    std::unique_ptr<char, void (*)(void*)> real(realpath(path.c_str(), nullptr), std::free);
    if (real) return real.get();
    real.reset(realpath(folderOf(path).c_str(), nullptr));
    return real ? std::string(real.get()) + "/" + nameOf(path) : path;
}

// FNV-1a: a file's record is named by its path's hash, and holds the path.
std::string recordPath(const std::string& folder, const std::string& path) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (unsigned char c : path) hash = (hash ^ c) * 1099511628211ULL;
    char name[17] = {};
    (void)std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    return folder + "/" + name;
}

std::string recordText(const std::string& path, const struct stat& file, bool created) {
    return path + "\n" + std::to_string(file.st_dev) + " " + std::to_string(file.st_ino) + " " +
           std::to_string(file.st_size) + " " + std::to_string(file.st_mtim.tv_sec) + " " +
           std::to_string(file.st_mtim.tv_nsec) + " " + (created ? "created" : "found") + "\n";
}

// unixODBC's tools write through stdio: one stalled between truncating the
// file and writing it, or between two flushes of its buffer (a loaded
// machine stalls them for far longer than kSettle), leaves it holding 0
// bytes or a whole number of blocks. Past kStalled no tool is taken to be
// stalled, so that a file nobody writes costs no look for writers.
constexpr std::chrono::seconds kStalled{10};

bool mayBeMidWrite(const struct stat& file, std::chrono::milliseconds age) {
    return age < kStalled && file.st_blksize > 0 && file.st_size % file.st_blksize == 0;
}

}  // namespace

bool sameVersion(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

std::chrono::milliseconds ageOf(const struct stat& file) {
    struct timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    const long long nanos = (now.tv_sec - file.st_mtim.tv_sec) * 1000000000LL + (now.tv_nsec - file.st_mtim.tv_nsec);
    return std::chrono::milliseconds(nanos / 1000000);
}

bool isSettled(const std::string& path, const struct stat& read, const std::function<bool()>& unchanged) {
    const std::chrono::milliseconds age = ageOf(read);
    if ((age >= kSettle && !mayBeMidWrite(read, age)) || isWrittenVersion(path, read)) return true;
    if (age < kSettle && age.count() >= 0) std::this_thread::sleep_for(kSettle - age);
    // Looked at after the pause and the look for writers, not before: a
    // writer that opened the file meanwhile has changed it by then.
    return !isOpenForWriting(read) && unchanged();
}

bool isWrittenVersion(const std::string& given, const struct stat& file, bool* created) {
    const std::string folder = recordFolder(false);
    if (folder.empty()) return false;
    const std::string path = canonicalPath(given);
    Descriptor record(open(recordPath(folder, path).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (record.get() < 0) return false;
    std::string text;
    text.reserve(path.size() + 128);
    if (!readAll(record.get(), text, path).ok()) return false;
    const bool same = text == recordText(path, file, true);
    if (created != nullptr) *created = same;
    return same || text == recordText(path, file, false);
}

void recordWrittenVersion(const std::string& given, const struct stat& file, bool created) {
    const std::string folder = recordFolder(true);
    if (folder.empty()) return;
    const std::string path = canonicalPath(given);
    Descriptor record(open(recordPath(folder, path).c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR));
    const std::string text = recordText(path, file, created);
    // A record that cannot be written only costs the next reader a pause.
    if (record.get() >= 0 && pwrite(record.get(), text.data(), text.size(), 0) == static_cast<ssize_t>(text.size())) {
        (void)ftruncate(record.get(), static_cast<off_t>(text.size()));
    }
}

void forgetWrittenVersion(const std::string& path) {
    const std::string folder = recordFolder(false);
    if (!folder.empty()) (void)unlink(recordPath(folder, canonicalPath(path)).c_str());
}

}  // namespace rireve
