// lwl, lwr, swl and swr routines of the second ROM (partial.inc): each alignment alone with the
// merge of old register or memory contents, and the pairs that move an unaligned word, the two
// instructions back to back on one register.
#include <fmt/format.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "../case_lines.h"
#include "../families2.h"

namespace casegen {
namespace {

// Little-endian partial loads: byte offset b of the address within its word.
std::uint32_t lwl(std::uint32_t reg, std::uint32_t mem, unsigned b) {
    const unsigned shift = 8 * (3 - b);
    const std::uint32_t keep = b == 3 ? 0 : 0xffffffffu >> (8 * (b + 1));
    return (mem << shift) | (reg & keep);
}
std::uint32_t lwr(std::uint32_t reg, std::uint32_t mem, unsigned b) {
    const std::uint32_t keep = b == 0 ? 0 : ~(0xffffffffu >> (8 * b));
    return (mem >> (8 * b)) | (reg & keep);
}
std::uint32_t swl(std::uint32_t mem, std::uint32_t reg, unsigned b) {
    const unsigned shift = 8 * (3 - b);
    return (reg >> shift) | (mem & ~(0xffffffffu >> shift));
}
std::uint32_t swr(std::uint32_t mem, std::uint32_t reg, unsigned b) {
    const std::uint32_t written = 0xffffffffu << (8 * b);
    return ((reg << (8 * b)) & written) | (mem & ~written);
}

std::uint64_t pairOf(std::uint32_t w0, std::uint32_t w1) {
    return static_cast<std::uint64_t>(w1) << 32 | w0;
}

struct Place {
    std::uint32_t word, base;
    std::int32_t d;
};
Place place(Rng& rng, unsigned b) {
    const std::uint32_t a = drawWordAddress(rng);
    const std::int32_t d = drawDisp(rng, rng.chance(1, 2));
    return {a, a + b - static_cast<std::uint32_t>(d), d};
}

} // namespace

void buildPartialLoad(Unit& u) {
    const bool left = u.mnemonic == "lwl";
    if (!left && u.mnemonic != "lwr") throw std::logic_error("no partial load: " + u.mnemonic);
    Rng rng = rngFor(u.number);
    CaseLines c;
    c.group("every alignment: the loaded bytes merged with the register's old contents");
    for (unsigned b = 0; b < 4; ++b)
        for (int r = 0; r < 3; ++r) {
            const std::uint32_t w = rng.next32(), old = rng.next32();
            const Place p = place(rng, b);
            c.add(fmt::format("pw_load {}, {}, {}, {}, {}, {}, {}", u.mnemonic, hex(w), hex(p.word),
                              hex(p.base), disp(p.d), hex(old),
                              hex(left ? lwl(old, w, b) : lwr(old, w, b))));
        }
    c.group(left ? "the word at every alignment: lwr, then at once lwl into the same register"
                 : "the word at every alignment: lwl, then at once lwr into the same register");
    for (unsigned b = 0; b < 4; ++b)
        for (int r = 0; r < 2; ++r) {
            const std::uint32_t w0 = rng.next32(), w1 = rng.next32(), old = rng.next32();
            const Place p = place(rng, b);
            const auto word = static_cast<std::uint32_t>(pairOf(w0, w1) >> (8 * b));
            const std::int32_t low = p.d, high = p.d + 3; // lwr at the address, lwl 3 above
            c.add(fmt::format("pw_pair_load {}, {}, {}, {}, {}, {}, {}, {}, {}, {}",
                              left ? "lwr" : "lwl", left ? "lwl" : "lwr", hex(w0), hex(w1),
                              hex(p.word), hex(p.base), disp(left ? low : high),
                              disp(left ? high : low), hex(old), hex(word)));
        }
    u.includes = {"bytes.inc", "partial.inc"};
    u.title = fmt::format("tests {} in {} cases", u.mnemonic, c.cases());
    c.finish(u);
}

void buildPartialStore(Unit& u) {
    const bool left = u.mnemonic == "swl";
    if (!left && u.mnemonic != "swr") throw std::logic_error("no partial store: " + u.mnemonic);
    Rng rng = rngFor(u.number);
    CaseLines c;
    c.group("every alignment: the stored bytes merged into the word, neighbours unchanged");
    for (unsigned b = 0; b < 4; ++b)
        for (int r = 0; r < 3; ++r) {
            const std::uint32_t w = rng.next32(), v = rng.next32();
            const Place p = place(rng, b);
            c.add(fmt::format("pw_store {}, {}, {}, {}, {}, {}, {}", u.mnemonic, hex(w),
                              hex(p.word), hex(p.base), disp(p.d), hex(v),
                              hex(left ? swl(w, v, b) : swr(w, v, b))));
        }
    c.group(left ? "the word at every alignment: swr, then at once swl"
                 : "the word at every alignment: swl, then at once swr");
    for (unsigned b = 0; b < 4; ++b)
        for (int r = 0; r < 2; ++r) {
            const std::uint32_t w0 = rng.next32(), w1 = rng.next32(), v = rng.next32();
            const Place p = place(rng, b);
            const std::uint64_t mask = 0xffffffffull << (8 * b);
            const std::uint64_t after =
                (pairOf(w0, w1) & ~mask) | (static_cast<std::uint64_t>(v) << (8 * b));
            const std::int32_t low = p.d, high = p.d + 3;
            c.add(fmt::format("pw_pair_store {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}",
                              left ? "swr" : "swl", left ? "swl" : "swr", hex(w0), hex(w1),
                              hex(p.word), hex(p.base), disp(left ? low : high),
                              disp(left ? high : low), hex(v),
                              hex(static_cast<std::uint32_t>(after)),
                              hex(static_cast<std::uint32_t>(after >> 32))));
        }
    u.includes = {"bytes.inc", "partial.inc"};
    u.title = fmt::format("tests {} in {} cases", u.mnemonic, c.cases());
    c.finish(u);
}

} // namespace casegen
