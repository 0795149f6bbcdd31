// Secrets in a state: values given by reference, resolved when a state is
// planned or applied and never shown, and the one rule of which values are
// shown masked.
#pragma once

#include <string>
#include <string_view>

#include "base/status.h"
#include "state/state.h"

namespace rireve {

// The value a reference names: the variable of {"env": NAME}, or the first
// line of the file of {"file": PATH}. Fails naming the reference, never
// its value. `where` is the reference's path in the document.
Status resolveReference(const StateDocument& reference, const std::string& where, std::string& value);

// Whether the entry's value is a secret: a secret key's (base/secret_keys.h)
// or one given by reference.
bool isSecretEntry(std::string_view key, bool referenced);

// The value as a plan, a report or a diff may show it.
std::string shownValue(std::string_view key, const std::string& value, bool referenced);

}  // namespace rireve
