#include "base/text_rules.h"

#include <cstdint>

namespace rireve {
namespace {

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool sameProfileName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    }
    return true;
}

std::string foldProfileName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = foldAscii(c);
    return folded;
}

std::size_t hashProfileName(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(foldAscii(c))) * 1099511628211ULL;
    return static_cast<std::size_t>(hash ^ (hash >> 32));
}

}  // namespace rireve
