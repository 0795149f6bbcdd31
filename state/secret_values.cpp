#include "state/secret_values.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "base/secret_keys.h"

namespace rireve {
namespace {

Status readFirstLine(const std::string& path, const std::string& where, std::string& value) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return Status::systemFailure(where + ": the file of the reference cannot be read:", path, errno);
    std::getline(file, value);
    if (file.bad()) return Status::systemFailure(where + ": the file of the reference cannot be read:", path, errno);
    // A file written on Windows ends its line with CR LF.
    if (!value.empty() && value.back() == '\r') value.pop_back();
    return {};
}

}  // namespace

Status resolveReference(const StateDocument& reference, const std::string& where, std::string& value) {
    if (reference.contains("env")) {
        const std::string name = reference.at("env").get<std::string>();
        const char* found = std::getenv(name.c_str());
        if (found == nullptr) return Status::failure(where + ": the environment variable " + name + " is not set");
        value = found;
        return {};
    }
    return readFirstLine(reference.at("file").get<std::string>(), where, value);
}

bool isSecretEntry(std::string_view key, bool referenced) { return referenced || isSecretKey(key); }

std::string shownValue(std::string_view key, const std::string& value, bool referenced) {
    return isSecretEntry(key, referenced) ? std::string(kMaskedValue) : value;
}

}  // namespace rireve
