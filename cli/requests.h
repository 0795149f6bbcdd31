// Requests taken from the command line's words and checked, with the
// library's messages and rules, before the installer layer carries them out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/messages.h"
#include "installer/drivers.h"
#include "installer/registration.h"

namespace rireve {

// Why a request was refused before anything was asked; none when it passed.
struct Refusal {
    const Message* message = nullptr;
    std::string reason;
    bool ok() const { return message == nullptr; }
};

// KEY=VALUE words as pairs, split at the first "="; a word without a key is
// refused, saying which.
bool splitPairs(const std::vector<std::string>& words, Entries& pairs, std::string& why);

Refusal takeRegistration(std::string_view name, std::string_view driver, const Entries& pairs, Scope scope,
                         Registration& registration);
Refusal takeRemoval(std::string_view name, std::string_view driver, Scope scope, Request& request);
Refusal takeEntryRequest(std::string_view name, const Entries& set, const std::vector<std::string>& unset, Scope scope,
                         EntryRequest& request);
// Entries to set and keys to take out, each checked by the rules of their owner.
Refusal takeEdits(const Entries& set, const std::vector<std::string>& unset, EntryOwner owner,
                  std::vector<EntryEdit>& edits);
Refusal takeDriverName(std::string_view name);

// The options of every request: the wait for another process's lock from
// RIREVE_LOCK_TIMEOUT_MILLIS (30 s when not set).
Refusal takeRequestOptions(RequestOptions& options);

// Runs a request with its options; reports a refusal and returns false.
template <typename Make>
bool runRequest(Output& out, const Message& refusal, int& status, Make make) {
    RequestOptions options;
    const Refusal taken = takeRequestOptions(options);
    if (!taken.ok()) {
        status = refuse(out, refusal, taken.reason);
        return false;
    }
    return !failed(out, make(options), refusal, status);
}

}  // namespace rireve
