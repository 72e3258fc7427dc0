// Byte and halfword routines of the second ROM (bytes.inc): every lane with the lane's top bit 0
// and 1 and displacements of both signs, base and destination the same register, the loaded
// register read at once, the load or store in a delay slot, and a store read back at once.
#include <fmt/format.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "../case_lines.h"
#include "../families2.h"

namespace casegen {
namespace {

struct Access {
    unsigned size;  // 1 or 2 bytes
    bool sign;      // lb, lh
    std::string ld; // the unsigned load of that size, for reading a store back
};

Access accessOf(const std::string& mnemonic) {
    if (mnemonic == "lb") return {1, true, "lbu"};
    if (mnemonic == "lbu" || mnemonic == "sb") return {1, false, "lbu"};
    if (mnemonic == "lh") return {2, true, "lhu"};
    if (mnemonic == "lhu" || mnemonic == "sh") return {2, false, "lhu"};
    throw std::logic_error("no byte or halfword access: " + mnemonic);
}

std::vector<unsigned> lanesOf(unsigned size) {
    return size == 1 ? std::vector<unsigned>{0, 1, 2, 3} : std::vector<unsigned>{0, 2};
}

std::uint32_t laneMask(unsigned size, unsigned lane) {
    return (size == 1 ? 0xffu : 0xffffu) << (8 * lane);
}

// A word whose lane has its top bit as asked.
std::uint32_t wordWithTop(Rng& rng, unsigned size, unsigned lane, bool top) {
    const std::uint32_t bit = 1u << (8 * (lane + size) - 1);
    const std::uint32_t w = rng.next32();
    return top ? (w | bit) : (w & ~bit);
}

std::uint32_t loaded(const Access& a, std::uint32_t word, unsigned lane) {
    const std::uint32_t v = a.size == 1 ? byteOf(word, lane) : halfOf(word, lane);
    return a.sign ? signExtend(v, 8 * a.size) : v;
}

std::uint32_t stored(unsigned size, std::uint32_t word, unsigned lane, std::uint32_t value) {
    const std::uint32_t mask = laneMask(size, lane);
    return (word & ~mask) | ((value << (8 * lane)) & mask);
}

struct Place {
    std::uint32_t word, base;
    std::int32_t d;
};
Place place(Rng& rng, unsigned lane, bool negative, bool zero = false) {
    const std::uint32_t a = drawWordAddress(rng);
    const std::int32_t d = zero ? 0 : drawDisp(rng, negative);
    return {a, a + lane - static_cast<std::uint32_t>(d), d};
}

} // namespace

void buildByteLoad(Unit& u) {
    const Access a = accessOf(u.mnemonic);
    Rng rng = rngFor(u.number);
    CaseLines c;
    const auto call = [&](const char* macro, unsigned lane, bool top, bool negative, bool zero) {
        const std::uint32_t w = wordWithTop(rng, a.size, lane, top);
        const Place p = place(rng, lane, negative, zero);
        c.add(fmt::format("{} {}, {}, {}, {}, {}, {}", macro, u.mnemonic, hex(w), hex(p.word),
                          hex(p.base), disp(p.d), hex(loaded(a, w, lane))));
    };
    const int reps = a.size == 1 ? 1 : 2;
    c.group("every lane, its top bit 0 and 1, positive and negative displacements");
    for (unsigned lane : lanesOf(a.size))
        for (bool top : {false, true})
            for (bool negative : {false, true})
                for (int r = 0; r < reps; ++r)
                    call("ld_case", lane, top, negative, false);
    c.group("displacement 0");
    for (unsigned lane : lanesOf(a.size))
        call("ld_case", lane, lane % 2 == 0, false, true);
    c.group("base and destination the same register");
    for (unsigned lane : lanesOf(a.size))
        call("ld_same", lane, lane % 2 != 0, lane >= 2, false);
    c.group("the next instruction reads the loaded register (old or new value), the one after");
    for (unsigned lane : lanesOf(a.size))
        for (bool top : {false, true})
            call("ld_use", lane, top, top, false);
    c.group("the load in the delay slot of a taken branch");
    for (unsigned lane : lanesOf(a.size))
        call("ld_slot", lane, true, lane < 2, false);
    u.includes = {"bytes.inc"};
    u.title = fmt::format("tests {} in {} cases", u.mnemonic, c.cases());
    c.finish(u);
}

void buildByteStore(Unit& u) {
    const Access a = accessOf(u.mnemonic);
    Rng rng = rngFor(u.number);
    CaseLines c;
    const int reps = a.size == 1 ? 1 : 2;
    c.group("every lane, the stored value's top bit 0 and 1, both displacement signs; the other "
            "bytes and the neighbour words unchanged");
    for (unsigned lane : lanesOf(a.size))
        for (bool top : {false, true})
            for (bool negative : {false, true})
                for (int r = 0; r < reps; ++r) {
                    const std::uint32_t w = rng.next32();
                    const std::uint32_t v = wordWithTop(rng, a.size, 0, top);
                    const Place p = place(rng, lane, negative);
                    c.add(fmt::format("st_case {}, {}, {}, {}, {}, {}, {}", u.mnemonic, hex(w),
                                      hex(p.word), hex(p.base), disp(p.d), hex(v),
                                      hex(stored(a.size, w, lane, v))));
                }
    c.group("the store in the delay slot of a taken branch");
    for (unsigned lane : lanesOf(a.size)) {
        const std::uint32_t w = rng.next32(), v = rng.next32();
        const Place p = place(rng, lane, lane % 2 != 0);
        c.add(fmt::format("st_slot {}, {}, {}, {}, {}, {}, {}", u.mnemonic, hex(w), hex(p.word),
                          hex(p.base), disp(p.d), hex(v), hex(stored(a.size, w, lane, v))));
    }
    c.group("at once a load of the stored address and one of the other lane beside it");
    for (unsigned lane : lanesOf(a.size)) {
        const std::uint32_t w = rng.next32(), v = rng.next32();
        const Place p = place(rng, lane, lane >= 2);
        const std::uint32_t after = stored(a.size, w, lane, v);
        const unsigned near = lane ^ a.size; // the other lane of the pair
        const Access back = accessOf(a.ld);
        c.add(fmt::format(
            "st_load {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}", u.mnemonic, a.ld, hex(w),
            hex(p.word), hex(p.base), disp(p.d), hex(v), hex(after), hex(loaded(back, after, lane)),
            disp(p.d + static_cast<std::int32_t>(near) - static_cast<std::int32_t>(lane)),
            hex(loaded(back, after, near))));
    }
    c.group("the word stored as 0 by sw over its complement first: the store then changes a "
            "word of zeros");
    for (unsigned lane : lanesOf(a.size)) {
        const std::uint32_t v = rng.next32();
        const Place p = place(rng, lane, lane % 2 == 0);
        c.add(fmt::format("st_over {}, {}, {}, {}, {}, {}, {}", u.mnemonic, hex(0), hex(p.word),
                          hex(p.base), disp(p.d), hex(v), hex(stored(a.size, 0, lane, v))));
    }
    u.includes = {"bytes.inc"};
    u.title = fmt::format("tests {} in {} cases", u.mnemonic, c.cases());
    c.finish(u);
}

} // namespace casegen
