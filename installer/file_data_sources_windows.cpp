// Windows: file data sources through the installer's SQLReadFileDSN and
// SQLWriteFileDSN, in the folder the ODBC administrator keeps.
#include <algorithm>
#include <cerrno>

#include "base/text_rules.h"
#include "installer/file_data_sources.h"
#include "platform/installer_library.h"

namespace rireve {
namespace {

constexpr char kFileDataSourceSection[] = "ODBC";

using ReadFileDsnProc = BOOL(INSTAPI*)(LPCSTR, LPCSTR, LPCSTR, LPSTR, WORD, WORD*);
using WriteFileDsnProc = BOOL(INSTAPI*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR);

bool isFullPath(std::string_view path) {
    return path.size() > 2 && ((path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
                               (path[0] == '\\' && path[1] == '\\'));
}

Status readFileDsn(const std::string& path, const char* key, std::string& text) {
    Status bound;
    const auto read = bindInstallerProc<ReadFileDsnProc>("SQLReadFileDSN", bound);
    if (read == nullptr) return bound;
    std::string buffer(32768, '\0');
    WORD length = 0;
    if (!read(path.c_str(), kFileDataSourceSection, key, &buffer[0], static_cast<WORD>(buffer.size() - 1), &length)) {
        return Status::failure("the ODBC installer could not read " + path + lastInstallerError());
    }
    text.assign(buffer.c_str(), std::min<std::size_t>(length, buffer.size() - 1));
    return {};
}

std::vector<std::string> splitKeys(std::string_view list) {
    std::vector<std::string> keys;
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        if (end > start) keys.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return keys;
}

}  // namespace

// The installer's default folder for file data sources, as the ODBC
// administrator keeps it in the registry.
Outcome findFileDataSourceFolder(std::string& folder) {
    char text[MAX_PATH] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ODBC\\ODBC.INI\\ODBC File DSN", "DefaultDSNDir", RRF_RT_REG_SZ,
                     nullptr, text, &size) == ERROR_SUCCESS) {
        folder = text;
        return {};
    }
    folder = "C:\\Program Files\\Common Files\\ODBC\\Data Sources";
    return {};
}

Outcome resolveFileDataSourcePath(std::string_view given, std::string& path) {
    if (given.empty()) return Outcome::of(Status::failure("the file data source's path is empty"));
    if (isFullPath(given)) {
        path = std::string(given);
        return {};
    }
    std::string folder;
    Outcome found = findFileDataSourceFolder(folder);
    return found.ok() ? placeInFolder(given, folder, "\\/", '\\', path) : found;
}

Outcome listFileDataSources(const std::string& given, std::vector<FileDataSource>& found) {
    std::string folder = given;
    if (folder.empty()) {
        Outcome located = findFileDataSourceFolder(folder);
        if (!located.ok()) return located;
    }
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA((folder + "\\*.dsn").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || (error == ERROR_PATH_NOT_FOUND && given.empty())) return {};
        return Outcome::of(Status::failure("cannot list " + folder + " (Windows error " + std::to_string(error) + ")"));
    }
    std::vector<std::string> names;
    do {
        names.emplace_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string path = folder;
        path.append("\\").append(name);
        FileDataSource source;
        if (readFileDataSource(path, source).ok()) found.push_back(std::move(source));
    }
    return {};
}

Outcome readFileDataSource(const std::string& path, FileDataSource& found) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return Outcome::of(Status::systemFailure("cannot read", path, ENOENT));
    }
    std::string list;
    Status status = readFileDsn(path, nullptr, list);
    const std::vector<std::string> keys = splitKeys(list);
    if (status.ok() && keys.empty()) status = Status::failure(path + " is not a file data source: it has no [ODBC] section");
    for (const std::string& key : keys) {
        std::string value;
        if (status.ok()) status = readFileDsn(path, key.c_str(), value);
        found.entries.emplace_back(key, value);
    }
    found.path = path;
    return Outcome::of(status);
}

Outcome writeFileDataSource(const std::string& path, const Entries& entries, const RequestOptions&) {
    Status status;
    const auto write = bindInstallerProc<WriteFileDsnProc>("SQLWriteFileDSN", status);
    if (write == nullptr) return Outcome::of(status);
    FileDataSource existing;
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) (void)readFileDataSource(path, existing);
    for (const auto& entry : existing.entries) {
        const std::string& key = entry.first;
        const bool kept = std::any_of(entries.begin(), entries.end(),
                                      [&](const auto& pair) { return sameProfileName(pair.first, key); });
        if (!kept && !write(path.c_str(), kFileDataSourceSection, key.c_str(), nullptr)) {
            return Outcome::of(Status::failure("the ODBC installer could not write " + path + lastInstallerError()));
        }
    }
    for (const auto& [key, value] : entries) {
        if (!write(path.c_str(), kFileDataSourceSection, key.c_str(), value.c_str())) {
            return Outcome::of(Status::failure("the ODBC installer could not write " + path + lastInstallerError()));
        }
    }
    return {};
}

Outcome removeFileDataSource(const std::string& path, const RequestOptions&) {
    FileDataSource existing;
    Outcome read = readFileDataSource(path, existing);
    if (!read.ok()) return read;
    if (!DeleteFileA(path.c_str())) {
        return Outcome::of(Status::failure("cannot remove " + path + " (Windows error " + std::to_string(GetLastError()) + ")"));
    }
    return {};
}

}  // namespace rireve
