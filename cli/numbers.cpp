#include "numbers.h"

#include <fmt/format.h>

#include <charconv>

#include "coretest/image.h"
#include "output.h"

namespace coretest::cli {

std::uint64_t parseNumber(std::string_view option, std::string_view text, std::uint64_t max) {
    std::string_view digits = text;
    int base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        digits.remove_prefix(2);
        base = 16;
    }
    std::uint64_t value = 0;
    const auto [end, ec] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || ec != std::errc{} || end != digits.data() + digits.size() || value > max)
        throw InputError(
            fmt::format("{}: {} is not a number from 0 to {} (decimal, or hexadecimal "
                        "with 0x)",
                        option, cli::quoted(text), max));
    return value;
}

std::uint32_t parseSwitch(std::string_view text) {
    return static_cast<std::uint32_t>(parseNumber("--switch", text, 0xffffffff));
}

std::uint64_t parseLimit(std::string_view text) {
    return parseNumber("--limit", text, UINT64_MAX);
}

} // namespace coretest::cli
