// The user's home folder as the password file has it.
#pragma once

#include <string>

namespace rireve {

// The home folder of this process's user in the password file, or /home
// when it has none.
std::string passwordHome();

}  // namespace rireve
