#include <algorithm>

#include "base/text_rules.h"
#include "installer/drivers.h"

namespace rireve {

bool endsWithDsn(std::string_view name) {
    return name.size() > 4 && sameProfileName(name.substr(name.size() - 4), ".dsn");
}

Outcome placeInFolder(std::string_view given, const std::string& folder, std::string_view separators, char separator,
                      std::string& path) {
    for (std::size_t start = 0; start <= given.size();) {
        const std::size_t end = std::min(given.find_first_of(separators, start), given.size());
        if (given.substr(start, end - start) == "..") {
            return Outcome::of(Status::failure("the file data source " + std::string(given) +
                                               " leads out of the folder; give a full path for a file elsewhere"));
        }
        start = end + 1;
    }
    path = folder;
    path += separator;
    path.append(given).append(endsWithDsn(given) ? "" : ".dsn");
    return {};
}

}  // namespace rireve
