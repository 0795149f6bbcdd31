#include <climits>

#include "binding/text.h"
#include "installer/installer.h"
#include "profile/profile.h"

namespace rireve {
namespace {

// unixODBC's profile reader, exported by its installer library but declared
// in no public header. Every text it hands out fits 1001 bytes.
using IniHandle = void*;
constexpr int kIniSuccess = 1;
using IniOpenProc = int (*)(IniHandle*, char*, char*, char, char, char, int);
using IniStepProc = int (*)(IniHandle);
using IniTextProc = int (*)(IniHandle, char*);
using IniPathProc = BOOL (*)(char*, BOOL);
using FilePartProc = char* (*)(char*);

struct IniReader {
    IniOpenProc open;
    IniStepProc close;
    IniStepProc firstObject;
    IniStepProc nextObject;
    IniStepProc objectsEnd;
    IniTextProc object;
    IniStepProc firstProperty;
    IniStepProc nextProperty;
    IniStepProc propertiesEnd;
    IniTextProc property;
    IniTextProc value;

    bool bound() const {
        return open && close && firstObject && nextObject && objectsEnd && object && firstProperty &&
               nextProperty && propertiesEnd && property && value;
    }
};

// The reader ignores letter case as the C locale's strcasecmp does: ASCII only.
char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

template <typename Proc>
Proc resolve(const char* name) {
    return reinterpret_cast<Proc>(resolveInstallerProc(name));
}

IniReader bindReader() {
    return {resolve<IniOpenProc>("iniOpen"),           resolve<IniStepProc>("iniClose"),
            resolve<IniStepProc>("iniObjectFirst"),    resolve<IniStepProc>("iniObjectNext"),
            resolve<IniStepProc>("iniObjectEOL"),      resolve<IniTextProc>("iniObject"),
            resolve<IniStepProc>("iniPropertyFirst"),  resolve<IniStepProc>("iniPropertyNext"),
            resolve<IniStepProc>("iniPropertyEOL"),    resolve<IniTextProc>("iniProperty"),
            resolve<IniTextProc>("iniValue")};
}

bool wanted(const std::vector<std::string_view>& keys, std::string_view key) {
    if (keys.empty()) return true;
    for (std::string_view wantedKey : keys) {
        if (sameProfileName(wantedKey, key)) return true;
    }
    return false;
}

void readEntries(const IniReader& reader, IniHandle ini, const std::vector<std::string_view>& keys,
                 ProfileSection& section) {
    char key[kTextBufferSize] = {};
    char value[kTextBufferSize] = {};
    for (reader.firstProperty(ini); !reader.propertiesEnd(ini); reader.nextProperty(ini)) {
        reader.property(ini, key);
        if (!wanted(keys, key)) continue;
        reader.value(ini, value);
        section.entries.push_back({key, value});
    }
}

std::string driversPath() {
    const auto folder = resolve<FilePartProc>("odbcinst_system_file_path");
    const auto name = resolve<FilePartProc>("odbcinst_system_file_name");
    if (folder == nullptr || name == nullptr) return {};
    char folderBuffer[PATH_MAX + 1] = {};
    char nameBuffer[PATH_MAX + 1] = {};
    // Either may answer with a text of its own rather than the buffer.
    return std::string(folder(folderBuffer)) + "/" + name(nameBuffer);
}

std::string dataSourcesPath(const char* procName) {
    const auto path = resolve<IniPathProc>(procName);
    char buffer[PATH_MAX + 1] = {};
    if (path == nullptr || !path(buffer, FALSE)) return {};
    return buffer;
}

}  // namespace

std::string profilePath(ProfileFile file) {
    switch (file) {
        case ProfileFile::drivers: return driversPath();
        case ProfileFile::systemDataSources: return dataSourcesPath("_odbcinst_SystemINI");
        case ProfileFile::userDataSources: return dataSourcesPath("_odbcinst_UserINI");
    }
    return {};
}

bool readProfile(const std::string& path, Profile& profile, const std::vector<std::string_view>& keys) {
    profile.clear();
    const IniReader reader = bindReader();
    if (!reader.bound()) return false;
    IniHandle ini = nullptr;
    char comments[] = "#;";
    std::string pathText = path;
    if (reader.open(&ini, pathText.data(), comments, '[', ']', '=', FALSE) != kIniSuccess) return true;
    char name[kTextBufferSize] = {};
    for (reader.firstObject(ini); !reader.objectsEnd(ini); reader.nextObject(ini)) {
        reader.object(ini, name);
        profile.push_back({name, {}});
        readEntries(reader, ini, keys, profile.back());
    }
    reader.close(ini);
    return true;
}

bool sameProfileName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    }
    return true;
}

std::string foldProfileName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = foldAscii(c);
    return folded;
}

const ProfileSection* findSection(const Profile& profile, std::string_view name) {
    for (const ProfileSection& section : profile) {
        if (sameProfileName(section.name, name)) return &section;
    }
    return nullptr;
}

const std::string* findValue(const ProfileSection& section, std::string_view key) {
    for (const ProfileEntry& entry : section.entries) {
        if (sameProfileName(entry.key, key)) return &entry.value;
    }
    return nullptr;
}

}  // namespace rireve
