#include "state/wanted_state.h"

#include <initializer_list>
#include <string_view>
#include <unordered_set>

#include "base/text_rules.h"
#include "installer/attribute_text.h"
#include "state/section_names.h"
#include "state/secret_values.h"

namespace rireve {
namespace {

using Json = StateDocument;

std::string at(const std::string& where, std::string_view field) { return where + "." + std::string(field); }
std::string at(const std::string& where, std::size_t index) { return where + "[" + std::to_string(index) + "]"; }

Status fault(const std::string& where, const std::string& why) { return Status::failure(where + ": " + why); }

// Every field of the object is one of these.
Status checkFields(const Json& object, const std::string& where, std::initializer_list<std::string_view> fields) {
    if (!object.is_object()) return fault(where, "must be an object");
    for (const auto& field : object.items()) {
        bool known = false;
        for (std::string_view each : fields) known = known || field.key() == each;
        if (!known) return fault(at(where, field.key()), "is not a field of a version " + std::to_string(kStateVersion) + " state");
    }
    return {};
}

Status takeText(const Json& object, std::string_view field, const std::string& where, std::string& text) {
    const std::string path = at(where, field);
    if (!object.contains(field)) return fault(path, "is missing");
    if (!object.at(std::string(field)).is_string()) return fault(path, "must be a string");
    text = object.at(std::string(field)).get<std::string>();
    if (text.empty()) return fault(path, "is empty");
    return {};
}

Status takeScope(const Json& object, const std::string& where, std::optional<Scope>& scope) {
    std::string text;
    Status taken = takeText(object, "scope", where, text);
    if (!taken.ok()) return taken;
    if (text != "user" && text != "system") return fault(at(where, "scope"), "must be \"user\" or \"system\"");
    scope = text == "user" ? Scope::user : Scope::system;
    return {};
}

// A reference is {"env": NAME} or {"file": PATH}; a kept value {"redacted": true}.
Status takeReference(const Json& value, const std::string& where, WantedEntry& entry) {
    if (value.size() != 1) return fault(where, "must be a string, {\"env\": NAME}, {\"file\": PATH} or {\"redacted\": true}");
    if (value.contains("redacted")) {
        if (value.at("redacted") != true) return fault(at(where, "redacted"), "must be true");
        entry.keep = true;
        return {};
    }
    const char* field = value.contains("env") ? "env" : value.contains("file") ? "file" : nullptr;
    if (field == nullptr) return fault(where, "must be a string, {\"env\": NAME}, {\"file\": PATH} or {\"redacted\": true}");
    if (!value.at(field).is_string() || value.at(field).get<std::string>().empty()) {
        return fault(at(where, field), "must be a string that is not empty");
    }
    entry.referenced = true;
    Status resolved = resolveReference(value, where, entry.value);
    entry.unresolved = !resolved.ok();
    if (!resolved.ok()) return resolved;
    // The reader trims a value's blanks; a secret that kept them would never compare equal.
    entry.value = std::string(trimBlanks(entry.value));
    return {};
}

// The configuration's rules for the entry; a secret's value is never quoted.
Status checkEntry(const WantedEntry& entry, EntryOwner owner, const std::string& where) {
    const std::string_view value(entry.value);
    const std::string why = whyEntryIsInvalid(entry.key, entry.keep ? nullptr : &value, owner);
    if (!why.empty()) return fault(where, why);
    if (entry.key != trimBlanks(entry.key)) return fault(where, "the key begins or ends with a blank, which the reader trims");
    if (entry.value.find('\0') != std::string::npos) return fault(where, "the value holds a NUL character");
    if (entry.value != trimBlanks(entry.value)) return fault(where, "the value begins or ends with a blank, which the reader trims");
    const std::string tooLong = whyEntryIsTooLong(entry.key, entry.value);
    return tooLong.empty() ? Status() : fault(where, tooLong);
}

Status takeEntry(const std::string& key, const Json& value, EntryOwner owner, const std::string& where,
                 WantedEntry& entry) {
    entry.key = key;
    entry.where = where;
    if (value.is_string()) {
        entry.value = value.get<std::string>();
    } else if (value.is_object()) {
        Status taken = takeReference(value, where, entry);
        if (!taken.ok()) return taken;
    } else {
        return fault(where, "must be a string, {\"env\": NAME}, {\"file\": PATH} or {\"redacted\": true}");
    }
    return checkEntry(entry, owner, where);
}

// A key given twice (ASCII letter case ignored, as the reader compares keys).
Status checkNewKey(std::unordered_set<std::string>& seen, const std::string& key, const std::string& where) {
    if (seen.insert(foldProfileName(key)).second) return {};
    return fault(where, "the key " + key + " is given twice (letter case ignored)");
}

Status takeEntries(const Json& entries, EntryOwner owner, const std::string& path, WantedSection& section) {
    if (!entries.is_object()) return fault(path, "must be an object of keys and values");
    std::unordered_set<std::string> seen;
    for (const WantedEntry& earlier : section.entries) seen.insert(foldProfileName(earlier.key));
    for (const auto& item : entries.items()) {
        const std::string entryPath = at(path, item.key());
        Status taken = checkNewKey(seen, item.key(), entryPath);
        if (taken.ok()) taken = takeEntry(item.key(), item.value(), owner, entryPath, section.entries.emplace_back());
        if (!taken.ok()) return taken;
    }
    return {};
}

// A section's entries, when it has any.
Status takeEntriesOf(const Json& object, EntryOwner owner, const std::string& where, WantedSection& section) {
    if (!object.contains("entries")) return {};
    return takeEntries(object.at("entries"), owner, at(where, "entries"), section);
}

// Two sections of one name (letter case ignored) in one scope.
Status checkNewName(std::unordered_set<std::string>& seen, const WantedSection& section, const std::string& where) {
    const std::string scope = section.scope == Scope::system ? "system:" : "user:";
    if (seen.insert(scope + foldProfileName(section.name)).second) return {};
    return fault(where, section.name + " is named twice (letter case ignored)");
}

const Json* arrayOf(const Json& document, std::string_view field) {
    return document.contains(field) ? &document.at(std::string(field)) : nullptr;
}

Status takeDriver(const Json& item, const std::string& where, WantedSection& driver) {
    Status status = checkFields(item, where, {"name", "scope", "entries"});
    if (status.ok()) status = takeText(item, "name", where, driver.name);
    const std::string why = status.ok() ? whyDriverNameIsInvalid(driver.name) : std::string();
    if (!why.empty()) return fault(at(where, "name"), why);
    if (status.ok()) status = takeScope(item, where, driver.scope);
    if (status.ok()) status = takeEntriesOf(item, EntryOwner::driver, where, driver);
    if (!status.ok()) return status;
    bool library = false;
    for (const WantedEntry& entry : driver.entries) {
        if (sameProfileName(entry.key, usageCountKeyName())) {
            return fault(at(at(where, "entries"), entry.key), "the usage count is the installation's to keep, not the state's");
        }
        library = library || sameProfileName(entry.key, "Driver");
    }
    return library ? Status() : fault(at(where, "entries"), "a driver's entries name its library (Driver)");
}

Status takeDataSource(const Json& item, const std::string& where, WantedSection& source) {
    Status status = checkFields(item, where, {"name", "scope", "driver", "entries"});
    if (status.ok()) status = takeText(item, "name", where, source.name);
    const std::string why = status.ok() ? whyNameIsInvalid(source.name) : std::string();
    if (!why.empty()) return fault(at(where, "name"), why);
    if (status.ok()) status = takeScope(item, where, source.scope);
    if (!status.ok()) return status;
    // Without a driver, the data source's Driver entry is left as it is.
    if (item.contains("driver")) {
        WantedEntry driver{"Driver", {}, false, false, at(where, "driver")};
        status = takeText(item, "driver", where, driver.value);
        if (status.ok()) status = checkEntry(driver, EntryOwner::driver, driver.where);
        if (!status.ok()) return status;
        source.entries.push_back(std::move(driver));
    }
    return takeEntriesOf(item, EntryOwner::dataSource, where, source);
}

Status takeFileDataSource(const Json& item, const std::string& where, WantedSection& file) {
    Status status = checkFields(item, where, {"path", "entries"});
    if (status.ok()) status = takeText(item, "path", where, file.name);
    if (status.ok()) status = takeEntriesOf(item, EntryOwner::driver, where, file);
    return status;
}

template <typename Take>
Status takeList(const Json& document, std::string_view field, Take take, std::vector<WantedSection>& sections) {
    const Json* list = arrayOf(document, field);
    if (list == nullptr) return {};
    const std::string where = at("$", field);
    if (!list->is_array()) return fault(where, "must be an array");
    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < list->size(); ++i) {
        WantedSection& section = sections.emplace_back();
        section.where = at(where, i);
        Status taken = take(list->at(i), at(where, i), section);
        if (taken.ok()) taken = checkNewName(seen, section, at(where, i));
        if (!taken.ok()) return taken;
    }
    return {};
}

// The settings are the entries themselves.
Status takeSettings(const Json& document, std::optional<WantedSection>& settings) {
    if (!document.contains("settings")) return {};
    WantedSection& section = settings.emplace();
    section.name = std::string(settingsSectionName());
    section.where = "$.settings";
    return takeEntries(document.at("settings"), EntryOwner::settings, section.where, section);
}

Status checkVersion(const Json& document) {
    if (!document.contains("version")) return fault("$.version", "is missing");
    const Json& version = document.at("version");
    if (!version.is_number_integer() || version.get<long long>() != kStateVersion) {
        return fault("$.version", "must be " + std::to_string(kStateVersion) + ", the version this library reads");
    }
    return {};
}

}  // namespace

Status readWantedState(const StateDocument& document, WantedState& state) {
    Status status = checkFields(document, "$", {"version", "drivers", "dataSources", "settings", "fileDataSources"});
    if (status.ok()) status = checkVersion(document);
    if (status.ok()) status = takeList(document, "drivers", takeDriver, state.drivers);
    if (status.ok()) status = takeList(document, "dataSources", takeDataSource, state.dataSources);
    if (status.ok()) status = takeSettings(document, state.settings);
    if (status.ok()) status = takeList(document, "fileDataSources", takeFileDataSource, state.fileDataSources);
    return status;
}

}  // namespace rireve
