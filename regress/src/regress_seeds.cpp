#include "coretest/regress_seeds.h"

#include <fmt/format.h>

#include <charconv>
#include <unordered_set>

#include "coretest/image.h"

namespace coretest::regress {

namespace {

std::string shown(std::string_view text) {
    std::string out;
    for (const char c : text.substr(0, 60)) {
        const auto u = static_cast<unsigned char>(c);
        out += u >= 0x20 && u < 0x7f ? std::string(1, c) : fmt::format("\\x{:02x}", u);
    }
    return text.size() > 60 ? out + "..." : out;
}

std::uint64_t seedNumber(std::string_view whole, std::string_view part, std::string_view text) {
    std::uint64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 10);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size())
        throw InputError(fmt::format("--seeds '{}': '{}' is not a seed; expected decimal seeds "
                                     "and ranges such as 1-1000, 5 or 1,4,9-12",
                                     shown(whole), shown(part)));
    return v;
}

} // namespace

std::vector<std::uint64_t> parseSeeds(std::string_view text) {
    std::vector<std::uint64_t> seeds;
    std::unordered_set<std::uint64_t> given;
    std::string_view rest = text;
    for (bool more = true; more;) {
        const auto comma = rest.find(',');
        more = comma != std::string_view::npos;
        const std::string_view part = rest.substr(0, comma);
        if (more) rest.remove_prefix(comma + 1);
        std::uint64_t first = 0, last = 0;
        if (const auto dash = part.find('-'); dash != std::string_view::npos && dash > 0) {
            first = seedNumber(text, part, part.substr(0, dash));
            last = seedNumber(text, part, part.substr(dash + 1));
            if (last < first)
                throw InputError(fmt::format("--seeds '{}': the range {} ends below its start",
                                             shown(text), shown(part)));
        } else {
            first = last = seedNumber(text, part, part);
        }
        if (last - first >= kMaxSeeds || seeds.size() + (last - first) >= kMaxSeeds)
            throw InputError(
                fmt::format("--seeds '{}': more than {} seeds", shown(text), kMaxSeeds));
        for (std::uint64_t s = first;; ++s) {
            if (!given.insert(s).second)
                throw InputError(
                    fmt::format("--seeds '{}': seed {} is given twice", shown(text), s));
            seeds.push_back(s);
            if (s == last) break;
        }
    }
    return seeds;
}

} // namespace coretest::regress
