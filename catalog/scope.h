// Where a data source is configured: in the user's own file or registry
// key, or in the machine's, for every user.
#pragma once

namespace rireve {

// The values Java passes (DataSource.Scope); a set of scopes is their sum.
enum class Scope { user = 1, system = 2 };

inline bool covers(int scopes, Scope scope) { return (scopes & static_cast<int>(scope)) != 0; }

}  // namespace rireve
