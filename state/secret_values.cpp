#include "state/secret_values.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <memory>

#include "base/secret_keys.h"

namespace rireve {
namespace {

// C's stdio rather than a stream: the library keeps to what an old C library
// has (a stream's buffer asks for newer symbols).
Status readFirstLine(const std::string& path, const std::string& where, std::string& value) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) return Status::systemFailure(where + ": the file of the reference cannot be read:", path, errno);
    value.clear();
    int c = EOF;
    while ((c = std::fgetc(file.get())) != EOF && c != '\n') value += static_cast<char>(c);
    if (std::ferror(file.get())) return Status::systemFailure(where + ": the file of the reference cannot be read:", path, errno);
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
