#pragma once
// What the generator knows about each register's value on every path and in every pass, from the
// instructions alone: how many low bits it can have set (so `add`, `addi` and `sub` never
// overflow) and whether it is non-zero (so a divisor is never zero and a signed one never -1).
#include <algorithm>
#include <array>
#include <cstdint>

namespace coretest::random {

struct ValueFact {
    std::uint8_t bits = 32; // the value is below 2^bits (32: anything)
    bool nonZero = false;
    bool operator==(const ValueFact&) const = default;
};

class ValueFacts {
  public:
    ValueFacts() { facts_[0] = {0, false}; }
    const ValueFact& operator[](unsigned reg) const { return facts_[reg]; }
    void set(unsigned reg, ValueFact fact) {
        if (reg != 0) facts_[reg] = fact;
    }
    void forget(unsigned reg) { set(reg, {}); }
    // What holds on both paths.
    void merge(const ValueFacts& other) {
        for (unsigned r = 1; r < 32; ++r) {
            facts_[r].bits = std::max(facts_[r].bits, other.facts_[r].bits);
            facts_[r].nonZero = facts_[r].nonZero && other.facts_[r].nonZero;
        }
    }
    // A value below 2^30: a sum or difference of two such never overflows, nor does one plus a
    // 16-bit immediate.
    bool small(unsigned reg) const { return facts_[reg].bits <= 30; }
    // Non-zero and non-negative: a divisor that is neither zero nor -1.
    bool safeDivisor(unsigned reg) const { return facts_[reg].nonZero && facts_[reg].bits <= 31; }

  private:
    std::array<ValueFact, 32> facts_{};
};

// The number of bits of an unsigned constant.
inline std::uint8_t bitsOf(std::uint32_t v) {
    std::uint8_t n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

} // namespace coretest::random
