// Dense hazard routines of the second ROM (hazard.inc, timing.inc): each producer class feeding
// each consumer slot at distances 1 to 3; mfhi and mflo at every distance from 0 to 40 after
// each instruction that writes HI and LO; a multiply or divide issued over another.
#include <fmt/format.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "../case_lines.h"
#include "../families2.h"

namespace casegen {
namespace {

constexpr std::array<std::string_view, 6> kConsumers{"rs", "rt", "store", "base", "branch", "jr"};

std::vector<std::string_view> producersOf(const std::string& mnemonic) {
    if (mnemonic == "hz_alu") return {"alu"};
    if (mnemonic == "hz_shift") return {"shift"};
    if (mnemonic == "hz_load") return {"load"};
    if (mnemonic == "hz_hilo") return {"mfhi", "mflo"};
    if (mnemonic == "hz_link") return {"jal", "jalr", "bltzal", "bgezal"};
    throw std::logic_error("no hazard routine: " + mnemonic);
}

std::string_view titleOf(const std::string& mnemonic) {
    if (mnemonic == "hz_alu") return "ALU results";
    if (mnemonic == "hz_shift") return "shift results";
    if (mnemonic == "hz_load") return "loaded words";
    if (mnemonic == "hz_hilo") return "mfhi and mflo results";
    return "link addresses";
}

bool isLink(std::string_view p) {
    return p == "jal" || p == "jalr" || p == "bltzal" || p == "bgezal";
}

// At distance 1 a load's consumer sits in its delay slot and a link's in the jump's delay slot:
// a branch or jump there is not a MIPS I program, so those pairs are left out.
bool runs(std::string_view producer, std::string_view consumer, int distance) {
    if (distance != 1) return true;
    if (producer == "load" || isLink(producer)) return consumer != "branch" && consumer != "jr";
    return true;
}

struct Divide {
    std::uint32_t hi, lo;
};
Divide compute(std::string_view op, std::uint32_t a, std::uint32_t b) {
    if (op == "mult") {
        const auto p = static_cast<std::uint64_t>(
            static_cast<std::int64_t>(static_cast<std::int32_t>(a)) * static_cast<std::int32_t>(b));
        return {static_cast<std::uint32_t>(p >> 32), static_cast<std::uint32_t>(p)};
    }
    if (op == "multu") {
        const std::uint64_t p = static_cast<std::uint64_t>(a) * b;
        return {static_cast<std::uint32_t>(p >> 32), static_cast<std::uint32_t>(p)};
    }
    if (op == "div") {
        const auto x = static_cast<std::int32_t>(a), y = static_cast<std::int32_t>(b);
        return {static_cast<std::uint32_t>(x % y), static_cast<std::uint32_t>(x / y)};
    }
    return {a % b, a / b};
}

// Operands with a defined result: no zero divisor, no INT_MIN / -1.
std::array<std::uint32_t, 2> operands(Rng& rng, std::string_view op) {
    for (;;) {
        const std::uint32_t a = rng.next32();
        std::uint32_t b = rng.next32();
        if (op == "div" || op == "divu") b >>= rng.below(28); // quotients of every size
        if (b == 0 || (op == "div" && a == 0x80000000u && b == 0xffffffffu)) continue;
        return {a, b};
    }
}

constexpr std::array<std::string_view, 4> kMulDiv{"mult", "multu", "div", "divu"};

} // namespace

void buildHazard(Unit& u) {
    Rng rng = rngFor(u.number);
    CaseLines c;
    const auto producers = producersOf(u.mnemonic);
    const bool link = isLink(producers.front());
    const int reps = producers.size() == 1 ? 2 : 1;
    if (link) c.setup("addu\t$s7, $zero, $ra\t\t\t# the routine's return address, kept");
    for (const auto producer : producers) {
        c.group(fmt::format("{} feeding every consumer at distances 1, 2 and 3", producer));
        for (const auto consumer : kConsumers)
            for (int distance = 1; distance <= 3; ++distance) {
                if (!runs(producer, consumer, distance)) continue;
                for (int r = 0; r < reps; ++r) {
                    const std::uint32_t k = rng.next32();
                    if (link) {
                        c.add(fmt::format("hz_link {}, {}, {}, {}", producer, consumer, distance,
                                          hex(k)));
                        continue;
                    }
                    std::uint32_t p = rng.next32();
                    if (consumer == "base") p = 0x80000500u + 8 * rng.below(16);
                    if (consumer == "jr") p = 0; // the case takes its own code address
                    if (producer == "shift") p &= ~3u;
                    c.add(fmt::format("hz_case {}, {}, {}, {}, {}", producer, consumer, distance,
                                      hex(p), hex(k)));
                }
            }
    }
    if (producers.front() == "shift") {
        c.group("sllv, srlv and srav by an amount register with bits above 4 set");
        for (const std::string_view op : {"sllv", "srlv", "srav"})
            for (const std::uint32_t high : {0x20u, 0xffffffe0u}) {
                const std::uint32_t v = rng.next32() | 0x80000000u, s = 1 + rng.below(31);
                const std::uint32_t r =
                    op == "sllv"   ? v << s
                    : op == "srlv" ? v >> s
                                   : static_cast<std::uint32_t>(static_cast<std::int32_t>(v) >> s);
                c.add(fmt::format("hz_vshift {}, {}, {}, {}", op, hex(v), hex(high | s), hex(r)));
            }
    }
    u.includes = {"hazard.inc"};
    if (link) u.returnReg = "$s7";
    u.title = fmt::format("tests {} read 1 to 3 instructions after they are written in {} cases",
                          titleOf(u.mnemonic), c.cases());
    c.finish(u);
}

void buildHiLoDistance(Unit& u) {
    Rng rng = rngFor(u.number);
    CaseLines c;
    for (const auto op : kMulDiv) {
        c.group(fmt::format("{}, then mfhi and mflo after 0 to 40 other instructions", op));
        for (int n = 0; n <= 40; ++n) {
            const auto [a, b] = operands(rng, op);
            const Divide r = compute(op, a, b);
            c.add(fmt::format("hilo_after {}, {}, {}, {}, {}, {}", op, hex(a), hex(b), n, hex(r.hi),
                              hex(r.lo)));
        }
    }
    for (const std::string_view op : {"mthi", "mtlo"}) {
        c.group(fmt::format("{}, then {} after 0 to 40 other instructions", op,
                            op == "mthi" ? "mfhi" : "mflo"));
        for (int n = 0; n <= 40; ++n)
            c.add(fmt::format("hilo_move {}, {}, {}", op, hex(rng.next32()), n));
    }
    for (const std::string_view op : {"mthi", "mtlo"}) {
        c.group(fmt::format("{} of 0 over a non-zero value, then {} after 0 to 2 others", op,
                            op == "mthi" ? "mfhi" : "mflo"));
        for (int n = 0; n <= 2; ++n)
            c.add(fmt::format("hilo_zero {}, {}, {}", op, hex(rng.next32() | 1u), n));
    }
    u.includes = {"timing.inc"};
    u.title = fmt::format("tests mfhi and mflo at every distance in {} cases", c.cases());
    c.finish(u);
}

void buildMulDivAgain(Unit& u) {
    Rng rng = rngFor(u.number);
    CaseLines c;
    c.group("a multiply or divide, 0 to 2 instructions, another: HI and LO hold the second");
    for (const auto first : kMulDiv)
        for (const auto second : kMulDiv)
            for (int n = 0; n <= 2; ++n) {
                const auto [a, b] = operands(rng, first);
                const auto [x, y] = operands(rng, second);
                const Divide r = compute(second, x, y);
                c.add(fmt::format("md_again {}, {}, {}, {}, {}, {}, {}, {}, {}", first, hex(a),
                                  hex(b), n, second, hex(x), hex(y), hex(r.hi), hex(r.lo)));
            }
    // Only its exception is checked: MIPS I leaves the quotient and remainder undefined.
    c.group("div of 0x80000000 by -1 takes no exception");
    c.add(fmt::format("md_quiet div, {}, {}", hex(0x80000000u), hex(0xffffffffu)));
    u.includes = {"timing.inc"};
    u.title = fmt::format("tests a multiply or divide over another in {} cases", c.cases());
    c.finish(u);
}

} // namespace casegen
