#include "state/unified_diff.h"

#include <algorithm>
#include <cstddef>

namespace rireve {
namespace {

constexpr std::size_t kContext = 3;

// One line of the edit script: kept (' '), taken out ('-') or put in ('+').
struct Step {
    char mark;
    std::size_t before;  // its line in the text before (kept, taken out)
    std::size_t after;   // its line in the text after (kept, put in)
};

// The shortest edit script (Myers' greedy algorithm, O((N+M)D)): a plan's
// changes are few beside the file's size.
std::vector<Step> editScript(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    const long n = static_cast<long>(a.size());
    const long m = static_cast<long>(b.size());
    const long offset = n + m + 1;
    std::vector<long> v(static_cast<std::size_t>(2 * offset + 1), 0);
    // Before each round d, the furthest points of the diagonals -d to d:
    // what going back through that round reads.
    std::vector<std::vector<long>> trace;
    for (long d = 0; d <= n + m; ++d) {
        trace.emplace_back(v.begin() + (offset - d), v.begin() + (offset + d + 1));
        bool done = false;
        for (long k = -d; k <= d && !done; k += 2) {
            const bool down = k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1]);
            long x = down ? v[offset + k + 1] : v[offset + k - 1] + 1;
            long y = x - k;
            while (x < n && y < m && a[x] == b[y]) ++x, ++y;
            v[offset + k] = x;
            done = x >= n && y >= m;
        }
        if (done) break;
    }
    std::vector<Step> steps;
    long x = n;
    long y = m;
    for (long d = static_cast<long>(trace.size()) - 1; d >= 0; --d) {
        const std::vector<long>& w = trace[static_cast<std::size_t>(d)];
        const long k = x - y;
        const bool down = k == -d || (k != d && w[d + k - 1] < w[d + k + 1]);
        const long previousK = down ? k + 1 : k - 1;
        const long previousX = d == 0 ? 0 : w[d + previousK];
        const long previousY = previousX - previousK;
        while (x > previousX && y > previousY) {
            --x, --y;
            steps.push_back({' ', static_cast<std::size_t>(x), static_cast<std::size_t>(y)});
        }
        if (d == 0) break;
        if (down) steps.push_back({'+', static_cast<std::size_t>(x), static_cast<std::size_t>(previousY)});
        if (!down) steps.push_back({'-', static_cast<std::size_t>(previousX), static_cast<std::size_t>(y)});
        x = previousX;
        y = previousY;
    }
    std::reverse(steps.begin(), steps.end());
    return steps;
}

std::string range(std::size_t start, std::size_t count) {
    return std::to_string(count == 0 ? start : start + 1) + (count == 1 ? "" : "," + std::to_string(count));
}

// One hunk: the steps from `first` to `last` (past the end), context included.
void writeHunk(const std::vector<Step>& steps, std::size_t first, std::size_t last, const std::vector<std::string>& a,
               const std::vector<std::string>& b, std::string& out) {
    std::size_t beforeCount = 0;
    std::size_t afterCount = 0;
    for (std::size_t i = first; i < last; ++i) {
        beforeCount += steps[i].mark != '+' ? 1 : 0;
        afterCount += steps[i].mark != '-' ? 1 : 0;
    }
    out += "@@ -" + range(steps[first].before, beforeCount) + " +" + range(steps[first].after, afterCount) + " @@\n";
    for (std::size_t i = first; i < last; ++i) {
        const Step& step = steps[i];
        out += step.mark;
        out += step.mark == '+' ? b[step.after] : a[step.before];
        out += '\n';
    }
}

}  // namespace

std::string unifiedDiff(const std::string& name, const std::vector<std::string>& before,
                        const std::vector<std::string>& after) {
    const std::vector<Step> steps = editScript(before, after);
    std::string out;
    std::size_t i = 0;
    while (i < steps.size()) {
        while (i < steps.size() && steps[i].mark == ' ') ++i;
        if (i == steps.size()) break;
        const std::size_t first = i > kContext ? i - kContext : 0;
        // The hunk goes on while the next change is within twice the context.
        std::size_t last = i;
        std::size_t kept = 0;
        for (; last < steps.size() && kept <= 2 * kContext; ++last) kept = steps[last].mark == ' ' ? kept + 1 : 0;
        last -= kept > kContext ? kept - kContext : 0;
        writeHunk(steps, first, last, before, after, out);
        i = last;
    }
    return out.empty() ? out : "--- " + name + "\n+++ " + name + "\n" + out;
}

}  // namespace rireve
