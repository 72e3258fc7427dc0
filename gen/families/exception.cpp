// Coprocessor 0 and exception routines of the second ROM (cp0.inc, except.inc): mfc0, mtc0 and
// rfe; then each exception cause alone and in the delay slot of each kind of branch and jump,
// every case with its own Status so that the KU/IE stack's push and pop are seen.
#include <fmt/format.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "../case_lines.h"
#include "../families2.h"

namespace casegen {
namespace {

constexpr std::array<std::string_view, 5> kSlots{"none", "beq", "bne", "j", "jr"};

enum Code : std::uint32_t {
    kAdEL = 4,
    kAdES = 5,
    kSys = 8,
    kBp = 9,
    kRI = 10,
    kOv = 12,
};

std::uint32_t causeOf(Code code, std::string_view slot) {
    return (slot == "none" ? 0 : 0x80000000u) | code << 2;
}

// ", C, S, SE, SR" for a case with a fresh Status draw.
std::string tail(Rng& rng, Code code, std::string_view slot) {
    const StatusStack s = statusStack(rng.next32());
    return fmt::format("{}, {}, {}, {}", hex(causeOf(code, slot)), hex(s.before), hex(s.entry),
                       hex(s.after));
}

// Operands whose signed sum (difference) leaves the 32-bit range.
std::array<std::int64_t, 2> overflowing(Rng& rng, std::string_view op) {
    for (;;) {
        const auto a = static_cast<std::int64_t>(static_cast<std::int32_t>(rng.next32()));
        std::int64_t b = static_cast<std::int32_t>(rng.next32());
        if (op == "addi") b = static_cast<std::int16_t>(rng.next32());
        const std::int64_t r = op == "sub" ? a - b : a + b;
        if (r > INT32_MAX || r < INT32_MIN) return {a, b};
    }
}

std::uint32_t misaligned(Rng& rng, unsigned size) {
    const std::uint32_t a = drawWordAddress(rng);
    return size == 2 ? a + 1 + 2 * rng.below(2) : a + 1 + rng.below(3);
}

// For each slot, a case of `macro` per load or store in `ops` (a word or halfword access) at a
// drawn misaligned address, reached from a drawn displacement.
void misalignedCases(CaseLines& c, Rng& rng, std::string_view macro,
                     const std::array<std::string_view, 3>& ops, Code code) {
    for (const auto slot : kSlots)
        for (const std::string_view op : ops) {
            const std::uint32_t addr = misaligned(rng, op.ends_with('w') ? 4 : 2);
            const std::int32_t d = drawDisp(rng, rng.chance(1, 2));
            c.add(fmt::format("{} {}, {}, {}, {}, {}", macro, slot, op,
                              hex(addr - static_cast<std::uint32_t>(d)), disp(d),
                              tail(rng, code, slot)));
        }
}

} // namespace

void buildCp0(Unit& u) {
    Rng rng = rngFor(u.number);
    CaseLines c;
    c.group("Status: the writable bits read back (kernel mode and BEV kept)");
    for (int r = 0; r < 8; ++r) {
        const std::uint32_t v = (rng.next32() & ~2u) | 0x00400000u;
        c.add(fmt::format("c0_status {}, {}", hex(v), hex(v & 0xf040ff3fu)));
    }
    c.group("Cause: only bits 9:8 written");
    for (const std::uint32_t v : {0xffffffffu, 0x00000100u, 0x00000200u, rng.next32()})
        c.add(fmt::format("c0_cause {}", hex(v)));
    c.group("BadVAddr, EPC and PRId ignore mtc0; PRId's value");
    for (const int reg : {8, 14, 15})
        for (int r = 0; r < 2; ++r)
            c.add(fmt::format("c0_fixed ${}, {}", reg, hex(rng.next32())));
    c.add("c0_prid");
    c.group("registers the core does not have: mfc0 reads 0");
    for (const int reg : {3, 7, 16, 31})
        c.add(fmt::format("c0_none ${}, {}", reg, hex(rng.next32())));
    c.group("rfe pops the KU/IE stack and keeps bits 5:4");
    for (int r = 0; r < 10; ++r) {
        const std::uint32_t bits =
            rng.next32() & 0x35; // KUc = KUp = 0: kernel mode before and after
        const std::uint32_t before = 0x00400000u | bits;
        const std::uint32_t after = 0x00400000u | (bits & 0x30) | (bits >> 2 & 0xf);
        c.add(fmt::format("{} {}, {}", r < 6 ? "c0_rfe" : "c0_rfe_jr", hex(before), hex(after)));
    }
    u.includes = {"cp0.inc"};
    u.title = fmt::format("tests mfc0, mtc0 and rfe in {} cases", c.cases());
    c.finish(u);
}

void buildOverflow(Unit& u) {
    Rng rng = rngFor(u.number);
    CaseLines c;
    for (const std::string_view op : {"add", "addi", "sub"}) {
        c.group(fmt::format("{} overflows: alone and in every delay slot, destination kept", op));
        for (const auto slot : kSlots)
            for (int r = 0; r < 2; ++r) {
                const auto [a, b] = overflowing(rng, op);
                const std::string rd = r == 0 ? "$v0" : "$t0"; // $t0: destination = source
                const std::string second =
                    op == "addi" ? std::to_string(b) : hex(static_cast<std::uint32_t>(b));
                c.add(fmt::format("ov_case {}, {}, {}, {}, {}, {}", slot, op, rd,
                                  hex(static_cast<std::uint32_t>(a)), second,
                                  tail(rng, kOv, slot)));
            }
    }
    u.includes = {"except.inc"};
    u.title = fmt::format("tests the overflow exception in {} cases", c.cases());
    c.finish(u);
}

void buildTrap(Unit& u) {
    Rng rng = rngFor(u.number);
    CaseLines c;
    const Code code = u.mnemonic == "syscall" ? kSys : kBp;
    c.group(fmt::format("{} alone and in every delay slot", u.mnemonic));
    for (const auto slot : kSlots)
        for (int r = 0; r < 2; ++r)
            c.add(fmt::format("trap_case {}, {}, {}", slot, u.mnemonic, tail(rng, code, slot)));
    u.includes = {"except.inc"};
    u.title = fmt::format("tests the {} exception in {} cases", u.mnemonic, c.cases());
    c.finish(u);
}

void buildAddressLoad(Unit& u) {
    Rng rng = rngFor(u.number);
    CaseLines c;
    c.group("misaligned loads alone and in every delay slot: BadVAddr, destination kept");
    misalignedCases(c, rng, "adel_case", {"lw", "lh", "lhu"}, kAdEL);
    c.group("jr to a misaligned code address: EPC and BadVAddr hold it");
    for (unsigned k = 1; k <= 3; ++k)
        c.add(fmt::format("adel_jump {}, {}", k, tail(rng, kAdEL, "none")));
    u.includes = {"except.inc"};
    u.title = fmt::format("tests address errors on loads and fetches in {} cases", c.cases());
    c.finish(u);
}

void buildAddressStore(Unit& u) {
    Rng rng = rngFor(u.number);
    CaseLines c;
    c.group("misaligned stores alone and in every delay slot: BadVAddr, memory kept");
    misalignedCases(c, rng, "ades_case", {"sw", "sh", "sw"}, kAdES);
    u.includes = {"except.inc"};
    u.title = fmt::format("tests address errors on stores in {} cases", c.cases());
    c.finish(u);
}

void buildReserved(Unit& u) {
    Rng rng = rngFor(u.number);
    CaseLines c;
    // Reserved in MIPS I: primary opcodes 0x1f and 0x3f, SPECIAL functions 0x01 and 0x0e,
    // REGIMM rt 5.
    constexpr std::array<std::uint32_t, 5> kWords{0xfc000000u, 0x7c000000u, 0x00000001u,
                                                  0x0000000eu, 0x04050000u};
    c.group("reserved instruction words alone and in every delay slot");
    int next = 0;
    for (const auto slot : kSlots)
        for (int r = 0; r < 2; ++r)
            c.add(fmt::format("ri_case {}, {}, {}", slot, hex(kWords[next++ % kWords.size()]),
                              tail(rng, kRI, slot)));
    u.includes = {"except.inc"};
    u.title = fmt::format("tests the reserved instruction exception in {} cases", c.cases());
    c.finish(u);
}

} // namespace casegen
