#pragma once
// Writing the second ROM's case lines: group comments, one case call per line with its number
// in a comment aligned across the unit, and the MIPS-I values the calls carry.
#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "rng.h"
#include "unit.h"

namespace casegen {

class CaseLines {
  public:
    void group(std::string comment) { rows_.push_back({"# " + std::move(comment), false}); }
    void setup(std::string line) { rows_.push_back({std::move(line), false}); }
    void add(std::string call) {
        rows_.push_back({std::move(call), true});
        ++cases_;
    }
    int cases() const { return cases_; }

    // Moves the lines into the unit: calls padded to the widest call, then "# case k".
    void finish(Unit& u) const {
        std::size_t width = 0;
        for (const auto& r : rows_)
            if (r.isCase) width = std::max(width, r.text.size());
        int k = 0;
        for (const auto& r : rows_) {
            if (!r.isCase) {
                if (r.text.front() == '#' && !u.lines.empty()) u.lines.emplace_back();
                u.lines.push_back(r.text);
            } else {
                u.lines.push_back(fmt::format("{:<{}}   # case {}", r.text, width, ++k));
            }
        }
    }

  private:
    struct Row {
        std::string text;
        bool isCase;
    };
    std::vector<Row> rows_;
    int cases_ = 0;
};

inline std::string hex(std::uint32_t v) {
    return fmt::format("0x{:08x}", v);
}
// A signed displacement as the assembler reads it: 0x1234 or -0x1234.
inline std::string disp(std::int32_t d) {
    return d < 0 ? fmt::format("-0x{:x}", -static_cast<std::int64_t>(d)) : fmt::format("0x{:x}", d);
}

// A word address in RAM with room for a neighbour word on each side, away from the boot and
// handler words at the bottom of RAM.
inline std::uint32_t drawWordAddress(Rng& rng) {
    return 0x80010000u + 4 * rng.below((0x8003fff0u - 0x80010000u) / 4);
}
// A nonzero displacement of one sign that leaves room for a few bytes either way.
inline std::int32_t drawDisp(Rng& rng, bool negative) {
    const auto d = static_cast<std::int32_t>(1 + rng.below(0x7ff0));
    return negative ? -d : d;
}

inline std::uint32_t byteOf(std::uint32_t word, unsigned lane) {
    return (word >> (8 * lane)) & 0xff;
}
inline std::uint32_t halfOf(std::uint32_t word, unsigned lane) {
    return (word >> (8 * lane)) & 0xffff;
}
inline std::uint32_t signExtend(std::uint32_t v, unsigned bits) {
    const std::uint32_t top = 1u << (bits - 1);
    return (v ^ top) - top;
}

// Status with its low six bits set from `bits` (KUc kept 0: the cases stay in kernel mode).
struct StatusStack {
    std::uint32_t before, entry, after;
};
inline StatusStack statusStack(std::uint32_t bits) {
    constexpr std::uint32_t kBev = 0x00400000;
    const std::uint32_t s = bits & 0x3d;
    const std::uint32_t entry = (s & 0xf) << 2;                      // pushed: KUc = IEc = 0
    const std::uint32_t after = (entry & 0x30) | (entry >> 2 & 0xf); // popped by rfe
    return {kBev | s, kBev | entry, kBev | after};
}

} // namespace casegen
