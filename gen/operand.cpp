#include "operand.h"

namespace casegen {

int loadWords(std::uint32_t v) {
    const auto s = static_cast<std::int32_t>(v);
    if (s >= -32768 && s <= 32767) return 1; // addiu rd, zero, v
    if (v <= 0xffff) return 1;               // ori rd, zero, v
    if ((v & 0xffff) == 0) return 1;         // lui rd, v >> 16
    return 2;                                // lui, then ori
}

bool isFullWidth(std::uint32_t v) {
    const std::uint32_t hi = v >> 16;
    return hi != 0x0000 && hi != 0xffff && (v & 0xffff) != 0;
}

std::uint32_t drawFullWidth(Rng& rng) {
    for (;;) {
        std::uint32_t v = rng.next32();
        // Clear a geometric-ish run of low bits: P(odd) = 1/8, P(low nibble 0) close to 1/3.
        const std::uint32_t r = rng.below(24);
        int zeros = 0;
        if (r < 3) zeros = 0;        // 3/24 = 1/8 odd
        else if (r < 16) zeros = 1 + static_cast<int>(rng.below(3)); // 1..3 zero bits
        else zeros = 4 + static_cast<int>(rng.below(6));              // 4..9 zero bits
        v &= ~((1u << zeros) - 1);
        if (zeros == 0) v |= 1;
        else v |= 1u << zeros; // exactly `zeros` trailing zeros
        if (isFullWidth(v)) return v;
    }
}

} // namespace casegen
