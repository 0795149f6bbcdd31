#include "platform/installer_profile.h"

#include <cstring>

namespace rireve {
namespace {

// A value or a list of keys longer than this is taken as the installer's fault.
constexpr int kMostBytes = 1 << 20;

// The installer's configuration mode is one for the process.
std::mutex& modeTurn() {
    static std::mutex turn;
    return turn;
}

template <typename Proc>
Proc bindProc(const char* name, Status& status) {
    if (!status.ok()) return nullptr;
    const InstallerProc proc = findInstallerProc(name);
    if (!proc.bound()) status = Status::failure(proc.reason(name));
    return proc.bound() ? procAddress<Proc>(proc) : nullptr;
}

}  // namespace

std::unique_lock<std::mutex> InstallerProfile::takeModeTurn() { return std::unique_lock<std::mutex>(modeTurn()); }

InstallerProfile::InstallerProfile(UWORD mode, const char* file) : turn_(modeTurn()), file_(file) {
    get_ = bindProc<GetProc>("SQLGetPrivateProfileString", status_);
    write_ = bindProc<WriteProc>("SQLWritePrivateProfileString", status_);
    const auto getMode = bindProc<GetModeProc>("SQLGetConfigMode", status_);
    setMode_ = bindProc<SetModeProc>("SQLSetConfigMode", status_);
    if (!status_.ok()) return;
    if (!getMode(&previous_) || !setMode_(mode)) {
        status_ = Status::failure("the ODBC installer would not set its configuration mode" + lastInstallerError());
        return;
    }
    changed_ = true;
}

InstallerProfile::~InstallerProfile() {
    if (changed_) setMode_(previous_);
}

// The installer fills the buffer and cuts what does not fit, saying so only
// by the length: a text that fills it is read again into one twice as big.
Status InstallerProfile::read(const char* section, const char* key, std::string& text) const {
    if (!status_.ok()) return status_;
    for (int size = 4096; size <= kMostBytes; size *= 2) {
        text.assign(static_cast<std::size_t>(size), '\0');
        const int length = get_(section, key, "", &text[0], size, file_);
        if (length < 0) return Status::failure(std::string("the ODBC installer could not read ") + file_ + lastInstallerError());
        if (length < size - 2) {
            text.resize(static_cast<std::size_t>(length));
            return {};
        }
    }
    return Status::failure("the ODBC installer gives more than 1 MB for [" + std::string(section) + "]");
}

Status InstallerProfile::readKeys(const std::string& section, std::vector<std::string>& keys) const {
    std::string list;
    Status status = read(section.c_str(), nullptr, list);
    if (!status.ok()) return status;
    keys.clear();
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t length = std::strlen(list.c_str() + start);
        if (length == 0) break;
        keys.emplace_back(list, start, length);
        start += length + 1;
    }
    return {};
}

Status InstallerProfile::readValue(const std::string& section, const std::string& key, std::string& value) const {
    return read(section.c_str(), key.c_str(), value);
}

Status InstallerProfile::write(const std::string& section, const std::string& key, const char* value) const {
    if (!status_.ok()) return status_;
    if (write_(section.c_str(), key.c_str(), value, file_)) return {};
    return Status::failure("the ODBC installer refused to " + std::string(value != nullptr ? "set " : "take out ") + key +
                           " of " + section + lastInstallerError());
}

}  // namespace rireve
