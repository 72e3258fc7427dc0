#pragma once
// The generator's random numbers: xoshiro256** seeded through splitmix64, and draws that use no
// library distribution, so that a seed gives the same program with any compiler and library.
#include <array>
#include <cstdint>

namespace coretest::random {

class Rng {
  public:
    explicit Rng(std::uint64_t seed) {
        for (auto& word : s_) {
            seed += 0x9e3779b97f4a7c15u;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
            word = z ^ (z >> 31);
        }
    }
    std::uint64_t next() {
        const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }
    std::uint32_t word() { return static_cast<std::uint32_t>(next() >> 32); }
    // Uniform in [0, n) for n > 0 (the multiply-shift reduction; its bias is far below 2^-32).
    std::uint32_t below(std::uint32_t n) {
        return static_cast<std::uint32_t>(((next() >> 32) * n) >> 32);
    }
    // Uniform in [lo, hi].
    std::uint32_t between(std::uint32_t lo, std::uint32_t hi) { return lo + below(hi - lo + 1); }
    bool percent(std::uint32_t p) { return below(100) < p; }

  private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::array<std::uint64_t, 4> s_{};
};

} // namespace coretest::random
