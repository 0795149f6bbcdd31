#include "state/export.h"

#include "base/secret_keys.h"
#include "installer/attribute_text.h"
#include "state/section_names.h"

namespace rireve {
namespace {

using Json = StateDocument;

std::string_view scopeName(Scope scope) { return scope == Scope::system ? "system" : "user"; }

// Whether the state can hold the entry: the rules readWantedState checks.
bool exportable(const ProfileEntry& entry, EntryOwner owner) {
    const std::string_view value(entry.value);
    return whyEntryIsInvalid(entry.key, &value, owner).empty() && whyEntryIsTooLong(entry.key, entry.value).empty() &&
           !sameProfileName(entry.key, usageCountKeyName());
}

// The first entry of each key, as the reader finds it.
Json entriesOf(const ProfileSection& section, EntryOwner owner, bool reveal) {
    Json entries = Json::object();
    for (const ProfileEntry& entry : section.entries) {
        if (!exportable(entry, owner) || findValue(section, entry.key) != &entry.value) continue;
        entries[entry.key] = isSecretKey(entry.key) && !reveal ? Json{{"redacted", true}} : Json(entry.value);
    }
    return entries;
}

// The first section of each name.
bool isFirst(const Profile& sections, const ProfileSection& section) { return findSection(sections, section.name) == &section; }

void exportDrivers(const MachineFile& file, bool reveal, Json& drivers) {
    for (const ProfileSection& section : file.sections) {
        if (!isFirst(file.sections, section) || !whyDriverNameIsInvalid(section.name).empty()) continue;
        if (findValue(section, "Driver") == nullptr) continue;
        drivers.push_back({{"name", section.name},
                           {"scope", scopeName(*file.scope)},
                           {"entries", entriesOf(section, EntryOwner::driver, reveal)}});
    }
}

void exportDataSources(const MachineFile& file, bool reveal, Json& sources) {
    for (const ProfileSection& section : file.sections) {
        if (!isFirst(file.sections, section) || isDriverManagerSection(section.name) ||
            !whyNameIsInvalid(section.name).empty())
            continue;
        Json source = {{"name", section.name}, {"scope", scopeName(*file.scope)}};
        const std::string* driver = findValue(section, "Driver");
        if (driver != nullptr && !driver->empty()) source["driver"] = *driver;
        source["entries"] = entriesOf(section, EntryOwner::dataSource, reveal);
        sources.push_back(std::move(source));
    }
}

void exportFile(const MachineFile& file, bool reveal, Json& files) {
    const ProfileSection* section = findSection(file.sections, "ODBC");
    if (section == nullptr) return;
    files.push_back({{"path", file.path}, {"entries", entriesOf(*section, EntryOwner::driver, reveal)}});
}

}  // namespace

StateDocument exportMachine(const Machine& machine, bool reveal) {
    Json drivers = Json::array();
    Json sources = Json::array();
    Json files = Json::array();
    for (Scope scope : {Scope::system, Scope::user}) {
        if (const MachineFile* file = findFile(machine, FileKind::drivers, scope)) exportDrivers(*file, reveal, drivers);
    }
    for (Scope scope : {Scope::user, Scope::system}) {
        if (const MachineFile* file = findFile(machine, FileKind::dataSources, scope)) exportDataSources(*file, reveal, sources);
    }
    for (const MachineFile& file : machine.files) {
        if (file.kind == FileKind::fileDataSource) exportFile(file, reveal, files);
    }
    Json document = {{"version", kStateVersion}, {"drivers", drivers}, {"dataSources", sources}};
    const MachineFile& settingsFile = machine.files[machine.settingsFile];
    if (const ProfileSection* settings = findSection(settingsFile.sections, settingsSectionName())) {
        document["settings"] = entriesOf(*settings, EntryOwner::settings, reveal);
    }
    document["fileDataSources"] = files;
    return document;
}

}  // namespace rireve
