#pragma once
// Numbers as users type them on the command line.
#include <cstdint>
#include <string_view>

namespace coretest::cli {

// Decimal, or hexadecimal with 0x; throws InputError naming the option and what is accepted.
std::uint64_t parseNumber(std::string_view option, std::string_view text, std::uint64_t max);

// The SWITCH_REG value of --switch: any 32-bit number.
std::uint32_t parseSwitch(std::string_view text);

// The instruction count of --limit.
std::uint64_t parseLimit(std::string_view text);

} // namespace coretest::cli
