#pragma once
// "Did you mean": the known name nearest to a mistyped one, by edit distance.
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace coretest {

// Insertions, deletions, substitutions and swaps of neighbouring characters that turn a into b.
// Counting stops early once every alignment costs more than `limit`; the result is then limit + 1.
std::size_t editDistance(std::string_view a, std::string_view b,
                         std::size_t limit = static_cast<std::size_t>(-1) - 1);

// The name of `names` closest to `word`, when it is close enough to be a slip of the keyboard
// (at most a third of the word's length, at least 1, and one name nearest); nullopt otherwise.
std::optional<std::string> closestName(std::string_view word, std::span<const std::string> names);

// " (did you mean 'NAME'?)" for the closest name, or "" when none is close.
std::string didYouMean(std::string_view word, std::span<const std::string> names);

} // namespace coretest
