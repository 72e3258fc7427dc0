#include "coretest/closest_name.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <vector>

namespace coretest {

namespace {

constexpr std::size_t kLongestName = 64;

// A lower bound of the edit distance that costs one pass over each word: every edit but a swap
// adds or removes at most one character of each kind, and a swap none.
std::size_t bagDistance(std::string_view a, std::string_view b) {
    std::array<int, 256> surplus{};
    for (const unsigned char c : a)
        ++surplus[c];
    for (const unsigned char c : b)
        --surplus[c];
    std::size_t more = 0, fewer = 0;
    for (const int n : surplus)
        (n > 0 ? more : fewer) += static_cast<std::size_t>(n > 0 ? n : -n);
    return std::max(more, fewer);
}

} // namespace

std::size_t editDistance(std::string_view a, std::string_view b, std::size_t limit) {
    // Optimal string alignment over three rows: the one before last, the last and the current.
    std::vector<std::size_t> before(b.size() + 1), last(b.size() + 1), row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        last[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t substitute = last[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[j] = std::min({last[j] + 1, row[j - 1] + 1, substitute});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                row[j] = std::min(row[j], before[j - 2] + 1);
        }
        // A row's cheapest cell never gets cheaper further down.
        if (*std::min_element(row.begin(), row.end()) > limit) return limit + 1;
        std::swap(before, last);
        std::swap(last, row);
    }
    return std::min(last[b.size()], limit + 1);
}

std::optional<std::string> closestName(std::string_view word, std::span<const std::string> names) {
    // Longer words are no slip of the keyboard, and comparing them would cost their square.
    if (word.size() > kLongestName) return std::nullopt;
    const std::size_t allowed = std::max<std::size_t>(1, word.size() / 3);
    std::optional<std::string> best;
    std::size_t bestDistance = allowed + 1;
    bool tie = false;
    for (const auto& name : names) {
        const std::size_t gap =
            name.size() > word.size() ? name.size() - word.size() : word.size() - name.size();
        if (gap > allowed) continue; // at least that many insertions or deletions
        if (bagDistance(word, name) > bestDistance) continue;
        const std::size_t d = editDistance(word, name, bestDistance);
        if (d < bestDistance) {
            best = name;
            bestDistance = d;
            tie = false;
        } else if (d == bestDistance && best && *best != name) {
            tie = true;
        }
    }
    if (tie) return std::nullopt;
    return best;
}

std::string didYouMean(std::string_view word, std::span<const std::string> names) {
    const auto name = closestName(word, names);
    return name ? fmt::format(" (did you mean '{}'?)", *name) : std::string();
}

} // namespace coretest
