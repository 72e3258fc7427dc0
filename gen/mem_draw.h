#pragma once
// Drawing helpers shared by the load/store, multiply/divide and HI/LO move builders: operand
// values of a chosen sign and low-zero shape, values kept unique across lists, positions for
// counted case kinds, and the source line of one case.
#include <fmt/format.h>

#include <bit>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "operand.h"
#include "rng.h"

namespace casegen::mem {

inline bool isNegative(std::uint32_t v) {
    return (v >> 31) != 0;
}

// Operands with four or more low-order zero bits: what makes products end in zero bytes.
inline constexpr int kManyZeros = 4;
inline bool hasManyLowZeros(std::uint32_t v) {
    return std::countr_zero(v) >= kManyZeros;
}

// v with exactly `zeros` trailing zero bits (zeros < 32).
inline std::uint32_t withTrailingZeros(std::uint32_t v, int zeros) {
    return (v & ~((1u << zeros) - 1)) | (1u << zeros);
}

// A trailing-zero count of the asked class: 4 to 9 for many, otherwise 0 (one in five) to 3.
inline int drawTrailingZeros(Rng& rng, bool many) {
    if (many) return kManyZeros + static_cast<int>(rng.below(6));
    return rng.chance(1, 5) ? 0 : 1 + static_cast<int>(rng.below(3));
}

// A full-width value with bit 31 as asked and a low-zero count of the asked class.
inline std::uint32_t drawShaped(Rng& rng, bool negative, bool manyZeros) {
    for (;;) {
        std::uint32_t v = rng.next32();
        v = negative ? v | 0x80000000u : v & 0x7fffffffu;
        v = withTrailingZeros(v, drawTrailingZeros(rng, manyZeros));
        if (isFullWidth(v)) return v;
    }
}

// A full-width value with bit 31 as asked.
inline std::uint32_t drawSigned(Rng& rng, bool negative) {
    for (;;) {
        const std::uint32_t v = drawFullWidth(rng);
        if (isNegative(v) == negative) return v;
    }
}

// Non-zero values already placed: none may be placed twice.
class ValueSet {
  public:
    bool fresh(std::uint32_t v) const { return v == 0 || !taken_.contains(v); }
    void take(std::uint32_t v) {
        if (v != 0) taken_.insert(v);
    }

  private:
    std::set<std::uint32_t> taken_;
};

template <class T>
void shuffle(std::vector<T>& items, Rng& rng) {
    for (std::size_t i = items.size(); i > 1; --i)
        std::swap(items[i - 1], items[rng.below(static_cast<std::uint32_t>(i))]);
}

// Labels `total` positions with kinds 0..counts.size()-1, kind k on exactly counts[k] positions;
// `pinned` fixes (position, kind) pairs and the rest fall in random order.
inline std::vector<int> placeKinds(Rng& rng, const std::vector<int>& counts,
                                   const std::vector<std::pair<int, int>>& pinned = {}) {
    std::vector<int> left = counts;
    int total = 0;
    for (int c : counts)
        total += c;
    std::vector<int> label(static_cast<std::size_t>(total), -1);
    for (const auto& [position, kind] : pinned) {
        label.at(static_cast<std::size_t>(position)) = kind;
        if (--left.at(static_cast<std::size_t>(kind)) < 0)
            throw std::logic_error("more pinned positions of a kind than its count");
    }
    std::vector<int> pool;
    for (std::size_t k = 0; k < left.size(); ++k)
        pool.insert(pool.end(), static_cast<std::size_t>(left[k]), static_cast<int>(k));
    shuffle(pool, rng);
    auto next = pool.begin();
    for (int& l : label)
        if (l < 0) l = *next++;
    return label;
}

// One case's source line: the template invocation, then, from column `width` on, its number for a
// reader told "case N failed".
inline std::string caseLine(const std::string& call, int number, std::size_t width) {
    return fmt::format("{:<{}} # case {}", call, width, number);
}

} // namespace casegen::mem
