#pragma once
// The seeds of a regression as users type them: "1-1000", "5", "1,4,9-12".
#include <cstdint>
#include <string_view>
#include <vector>

namespace coretest::regress {

// The most seeds one regression takes: each keeps a result line in memory until the report.
inline constexpr std::size_t kMaxSeeds = 1'000'000;

// Decimal seeds and inclusive ranges, separated by commas, in the order given. Throws InputError
// (one line naming the part) for an empty part, a non-number, a range whose end is below its
// start, a seed given twice, or more than kMaxSeeds seeds.
std::vector<std::uint64_t> parseSeeds(std::string_view text);

} // namespace coretest::regress
