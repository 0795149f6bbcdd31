// A unified diff of two texts' lines, as diff -u prints it (three lines of
// context), for a plan to show what each file becomes.
#pragma once

#include <string>
#include <vector>

namespace rireve {

// Empty when the lines are the same.
std::string unifiedDiff(const std::string& name, const std::vector<std::string>& before,
                        const std::vector<std::string>& after);

}  // namespace rireve
