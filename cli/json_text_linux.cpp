// Linux: the configuration's text is taken as UTF-8 already.
#include "cli/json_text.h"

namespace rireve {

std::string utf8Of(std::string_view text) { return std::string(text); }

}  // namespace rireve
