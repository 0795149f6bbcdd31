#include "cli/requests.h"

#include <cstdlib>
#include <cstring>

#include "cli/probe_process.h"

namespace rireve {
namespace {

Refusal refusal(const Message& message, std::string reason) { return {&message, std::move(reason)}; }

Refusal takeName(std::string_view name, char (&out)[kMaxNameBytes + 1]) {
    if (name.size() > kMaxNameBytes) return refusal(message::kNameIsInvalid, "the name is longer than 32 bytes");
    const std::string why = whyNameIsInvalid(name);
    if (!why.empty()) return refusal(message::kNameIsInvalid, why);
    std::memcpy(out, name.data(), name.size());
    out[name.size()] = '\0';
    return {};
}

Refusal takeDriver(std::string_view driver, Request& request, const Message& refused) {
    if (driver.size() >= sizeof request.driver) return refusal(refused, "the driver name is longer than 1023 bytes");
    if (driver.empty()) return refusal(refused, "the driver name is empty");
    std::memcpy(request.driver, driver.data(), driver.size());
    request.driver[driver.size()] = '\0';
    return {};
}

Refusal composeText(std::string_view name, const std::string_view* attributes, Request& request) {
    switch (composeAttributeText(name, attributes, request.text)) {
        case TextCheck::invalidName: return refusal(message::kNameIsInvalid, whyNameIsInvalid(name));
        case TextCheck::tooLong:
            return refusal(message::kAttributesTooLong, "DSN=name;attributes would be longer than " +
                                                            std::to_string(kMaxAttributeTextBytes) + " bytes");
        case TextCheck::invalidAttributes:
            return refusal(message::kAttributesInvalid,
                           whyAttributeTextIsInvalid(attributes != nullptr ? *attributes : std::string_view()));
        case TextCheck::ok: break;
    }
    return {};
}

// Adds the edit, once its key and value pass every check.
Refusal takeEdit(EntryEdit edit, EntryOwner owner, std::vector<EntryEdit>& edits) {
    const std::string_view value = edit.value ? std::string_view(*edit.value) : std::string_view();
    const std::string why = whyEntryIsInvalid(edit.key, edit.value ? &value : nullptr, owner);
    if (!why.empty()) return refusal(message::kAttributesInvalid, why);
    const std::string tooLong = edit.value ? whyEntryIsTooLong(edit.key, value) : std::string();
    if (!tooLong.empty()) return refusal(message::kAttributesTooLong, tooLong);
    for (const EntryEdit& earlier : edits) {
        if (sameProfileName(earlier.key, edit.key)) {
            return refusal(message::kAttributesInvalid, "the key " + edit.key + " is given twice");
        }
    }
    edits.push_back(std::move(edit));
    return {};
}

}  // namespace

bool splitPairs(const std::vector<std::string>& words, Entries& pairs, std::string& why) {
    for (const std::string& word : words) {
        const std::size_t equals = word.find('=');
        if (equals == 0 || equals == std::string::npos) {
            why = "attributes are KEY=VALUE: " + word.substr(0, equals);
            return false;
        }
        pairs.emplace_back(word.substr(0, equals), word.substr(equals + 1));
    }
    return true;
}

Refusal takeRegistration(std::string_view name, std::string_view driver, const Entries& pairs, Scope scope,
                         Registration& registration) {
    Request& request = registration.request;
    request.scope = scope;
    Refusal taken = takeName(name, request.name);
    if (!taken.ok()) return taken;
    for (const auto& [key, value] : pairs) {
        registration.entries.emplace_back(std::string(trimBlanks(key)), std::string(trimBlanks(value)));
    }
    std::string joined;
    std::string why;
    if (joinEntries(registration.entries, joined, why) != TextCheck::ok) return refusal(message::kAttributesInvalid, why);
    const std::string_view attributes(joined);
    taken = composeText(name, &attributes, request);
    return taken.ok() ? takeDriver(driver, request, message::kRegisterRefused) : taken;
}

Refusal takeRemoval(std::string_view name, std::string_view driver, Scope scope, Request& request) {
    request.scope = scope;
    Refusal taken = takeName(name, request.name);
    if (taken.ok()) taken = composeText(name, nullptr, request);
    return taken.ok() ? takeDriver(driver, request, message::kRemoveRefused) : taken;
}

Refusal takeEdits(const Entries& set, const std::vector<std::string>& unset, EntryOwner owner,
                  std::vector<EntryEdit>& edits) {
    for (const auto& [key, value] : set) {
        Refusal taken = takeEdit({std::string(trimBlanks(key)), std::string(trimBlanks(value))}, owner, edits);
        if (!taken.ok()) return taken;
    }
    for (const std::string& key : unset) {
        Refusal taken = takeEdit({std::string(trimBlanks(key)), std::nullopt}, owner, edits);
        if (!taken.ok()) return taken;
    }
    return {};
}

Refusal takeEntryRequest(std::string_view name, const Entries& set, const std::vector<std::string>& unset, Scope scope,
                         EntryRequest& request) {
    request.scope = scope;
    Refusal taken = takeName(name, request.name);
    return taken.ok() ? takeEdits(set, unset, EntryOwner::dataSource, request.edits) : taken;
}

Refusal takeDriverName(std::string_view name) {
    const std::string why = whyDriverNameIsInvalid(name);
    return why.empty() ? Refusal{} : refusal(message::kDriverNameIsInvalid, why);
}

Refusal takeRequestOptions(RequestOptions& options) {
    // A driver's setup library runs in the probe's process, as for the Java
    // API: one that crashes, hangs or calls the installer back ends only that.
    options.setup.enabled = true;
    options.setup.findProgram = [](std::string& program) {
        program = probeProgram();
        return Status();
    };
    const char* text = std::getenv("RIREVE_LOCK_TIMEOUT_MILLIS");
    if (text == nullptr) return {};
    const Status taken = takeLockTimeout(text, options);
    // The caller reports it under the message of its request.
    return taken.ok() ? Refusal{} : refusal(message::kConfigureRefused, "RIREVE_LOCK_TIMEOUT_MILLIS: " + taken.reason());
}

}  // namespace rireve
