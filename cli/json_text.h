// JSON is UTF-8; the configuration's text is the platform's (on Windows the
// ANSI code page). One implementation file per platform.
#pragma once

#include <string>
#include <string_view>

namespace rireve {

// The platform's text as UTF-8.
std::string utf8Of(std::string_view text);

}  // namespace rireve
