#pragma once
// Deterministic pseudo-random source for the case generator. The standard library's
// distributions differ between implementations, so every draw is derived here from raw
// 64-bit outputs: the same seed gives the same case lists with any compiler.
#include <cstdint>

namespace casegen {

class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next64() {
        // splitmix64
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    std::uint32_t next32() { return static_cast<std::uint32_t>(next64() >> 32); }
    // Uniform in [0, n); n > 0.
    std::uint32_t below(std::uint32_t n) {
        return static_cast<std::uint32_t>((next64() >> 32) * n >> 32);
    }
    // True with probability num/den.
    bool chance(std::uint32_t num, std::uint32_t den) { return below(den) < num; }

private:
    std::uint64_t state_;
};

// The generator's one fixed seed; each routine draws from its own stream so that changing one
// routine's list never moves the values of another.
inline constexpr std::uint64_t kSeed = 0x636f726574657374ULL; // "coretest"
inline Rng rngFor(int routine) {
    return Rng(kSeed ^ (static_cast<std::uint64_t>(routine) * 0x100000001b3ULL));
}

} // namespace casegen
