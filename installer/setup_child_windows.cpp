// Windows: a setup DLL writes the data source's key in the registry and its
// name under "ODBC Data Sources". A child that crashes or hangs midway may
// leave them half written, so both are taken before it starts and put back
// when it gave no answer. Whatever else a setup DLL writes elsewhere in the
// registry is not taken: a copy of the whole hive (RegSaveKey) would need a
// privilege and a file per request.
#include <windows.h>

#include <odbcinst.h>

#include <string>
#include <utility>
#include <vector>

#include "installer/setup_request.h"

namespace rireve {
namespace {

constexpr char kDataSources[] = "SOFTWARE\\ODBC\\ODBC.INI";
constexpr char kDataSourceList[] = "SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources";

struct Value {
    std::string name;
    DWORD type = REG_NONE;
    std::string data;
};

bool operator==(const Value& a, const Value& b) { return a.name == b.name && a.type == b.type && a.data == b.data; }

// A key as it was: its values and its subkeys, in the registry's order.
struct KeyCopy {
    std::string name;  // a subkey's
    bool exists = false;
    std::vector<Value> values;
    std::vector<KeyCopy> subkeys;
};

bool operator==(const KeyCopy& a, const KeyCopy& b) {
    return a.name == b.name && a.exists == b.exists && a.values == b.values && a.subkeys == b.subkeys;
}

class Key {
public:
    Key() = default;
    ~Key() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }
    HKEY* out() { return &key_; }

private:
    HKEY key_ = nullptr;
};

Status registryFailure(const char* what, const std::string& path, LONG error) {
    return Status::systemFailure(what, "the registry key " + path, static_cast<int>(error));
}

Status takeKey(HKEY root, const std::string& path, KeyCopy& copy) {
    Key key;
    const LONG opened = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.out());
    if (opened == ERROR_FILE_NOT_FOUND) return {};
    if (opened != ERROR_SUCCESS) return registryFailure("cannot read", path, opened);
    copy.exists = true;
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestName = 0, longestData = 0;
    LONG got = RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values,
                                &longestName, &longestData, nullptr, nullptr);
    if (got != ERROR_SUCCESS) return registryFailure("cannot read", path, got);
    for (DWORD i = 0; i < values; ++i) {
        Value value;
        std::string name(longestName + 1, '\0');
        value.data.resize(longestData);
        DWORD nameLength = longestName + 1, dataLength = longestData;
        got = RegEnumValueA(key.get(), i, name.data(), &nameLength, nullptr, &value.type,
                            reinterpret_cast<BYTE*>(value.data.data()), &dataLength);
        if (got != ERROR_SUCCESS) return registryFailure("cannot read", path, got);
        value.name = name.substr(0, nameLength);
        value.data.resize(dataLength);
        copy.values.push_back(std::move(value));
    }
    for (DWORD i = 0; i < subkeys; ++i) {
        std::string name(longestSubkey + 1, '\0');
        DWORD nameLength = longestSubkey + 1;
        got = RegEnumKeyExA(key.get(), i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (got != ERROR_SUCCESS) return registryFailure("cannot read", path, got);
        KeyCopy& subkey = copy.subkeys.emplace_back();
        subkey.name = name.substr(0, nameLength);
        Status taken = takeKey(root, path + "\\" + subkey.name, subkey);
        if (!taken.ok()) return taken;
    }
    return {};
}

Status writeKey(HKEY root, const std::string& path, const KeyCopy& copy) {
    Key key;
    LONG done = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.out(), nullptr);
    if (done != ERROR_SUCCESS) return registryFailure("cannot create", path, done);
    for (const Value& value : copy.values) {
        done = RegSetValueExA(key.get(), value.name.c_str(), 0, value.type,
                              reinterpret_cast<const BYTE*>(value.data.data()), static_cast<DWORD>(value.data.size()));
        if (done != ERROR_SUCCESS) return registryFailure("cannot write", path, done);
    }
    for (const KeyCopy& subkey : copy.subkeys) {
        Status written = writeKey(root, path + "\\" + subkey.name, subkey);
        if (!written.ok()) return written;
    }
    return {};
}

// The data source's name in the list, as it was.
struct ListedCopy {
    bool exists = false;
    Value value;
};

Status takeListed(HKEY root, const std::string& name, ListedCopy& copy) {
    KeyCopy list;
    Status taken = takeKey(root, kDataSourceList, list);
    if (!taken.ok()) return taken;
    for (const Value& value : list.values) {
        if (lstrcmpiA(value.name.c_str(), name.c_str()) != 0) continue;
        copy = {true, value};
        break;
    }
    return {};
}

Status putBackListed(HKEY root, const std::string& name, const ListedCopy& copy) {
    Key key;
    LONG done = RegCreateKeyExA(root, kDataSourceList, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.out(), nullptr);
    if (done != ERROR_SUCCESS) return registryFailure("cannot create", kDataSourceList, done);
    done = copy.exists ? RegSetValueExA(key.get(), copy.value.name.c_str(), 0, copy.value.type,
                                        reinterpret_cast<const BYTE*>(copy.value.data.data()),
                                        static_cast<DWORD>(copy.value.data.size()))
                       : RegDeleteValueA(key.get(), name.c_str());
    if (done != ERROR_SUCCESS && done != ERROR_FILE_NOT_FOUND) return registryFailure("cannot write", kDataSourceList, done);
    return {};
}

// What the child may change of one data source, taken before it starts.
struct DataSourceCopy {
    HKEY root = HKEY_CURRENT_USER;
    std::string name;
    std::string path;
    KeyCopy key;
    ListedCopy listed;
};

// DSN=name, the attribute list's first entry.
std::string nameIn(const std::string& attributes) {
    const std::string first = attributes.substr(0, attributes.find('\0'));
    return first.size() > 4 && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, first.c_str(), 4, "DSN=", 4) == CSTR_EQUAL
               ? first.substr(4)
               : std::string();
}

Status takeDataSource(const SetupRequest& request, DataSourceCopy& copy) {
    const bool system = request.request == ODBC_ADD_SYS_DSN || request.request == ODBC_CONFIG_SYS_DSN ||
                        request.request == ODBC_REMOVE_SYS_DSN;
    copy.root = system ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    copy.name = nameIn(request.attributes);
    if (copy.name.empty()) return {};
    copy.path = std::string(kDataSources) + "\\" + copy.name;
    Status taken = takeKey(copy.root, copy.path, copy.key);
    return taken.ok() ? takeListed(copy.root, copy.name, copy.listed) : taken;
}

Status putBack(const DataSourceCopy& copy) {
    if (copy.name.empty()) return {};
    KeyCopy now;
    ListedCopy listedNow;
    Status status = takeKey(copy.root, copy.path, now);
    if (status.ok()) status = takeListed(copy.root, copy.name, listedNow);
    if (!status.ok()) return status;
    if (!(now == copy.key)) {
        const LONG deleted = RegDeleteTreeA(copy.root, copy.path.c_str());
        if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) return registryFailure("cannot remove", copy.path, deleted);
        if (copy.key.exists) status = writeKey(copy.root, copy.path, copy.key);
    }
    const bool listedSame = listedNow.exists == copy.listed.exists && (!copy.listed.exists || listedNow.value == copy.listed.value);
    if (status.ok() && !listedSame) status = putBackListed(copy.root, copy.name, copy.listed);
    return status;
}

}  // namespace

Status runSetupInChild(const SetupRequest& request, const RequestOptions& options, bool& none) {
    none = false;
    DataSourceCopy copy;
    Status taken = takeDataSource(request, copy);
    if (!taken.ok()) return taken;
    SetupAnswer answer;
    bool answered = false;
    Status asked = askChild(request, options, answer, answered);
    if (!answered) {
        Status put = putBack(copy);
        return Status::failure(asked.reason() + (put.ok() ? "; the data source's registry key is as it was"
                                                          : "; a registry key it changed is left so: " + put.reason()));
    }
    none = answer.verdict == SetupAnswer::Verdict::none;
    if (answer.verdict == SetupAnswer::Verdict::refused) return Status::failure(answer.reason);
    return {};
}

}  // namespace rireve
