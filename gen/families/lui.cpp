// The upper-immediate routine: 12 groups of 16 consecutive immediates, each case checked against
// the group base loaded by lui plus a running offset kept in t1.
#include <fmt/format.h>

#include <array>
#include <cstdint>

#include "../alu_layout.h"
#include "../families.h"

namespace casegen {
namespace {

// The group bases: each has a zero low nibble, so the immediates of a group differ from their
// base only in bits 0 to 3 and no group wraps past 0xffff.
constexpr std::array<std::uint32_t, 12> kBases = {0x0000, 0x1010, 0x2020, 0x3030, 0x4040, 0x5040,
                                                  0x6050, 0x8060, 0xa070, 0xc080, 0xe090, 0xf0a0};
constexpr int kGroupSize = 16;
constexpr int kStepWords = 1;  // lui t2, 1
constexpr int kGroupWords = 1; // addiu t1, zero, 0
constexpr int kCaseWords = 6;  // lui, lui, addu, addu, bne, nop

} // namespace

void buildLui(Unit& u) {
    u.includes = {"lui.inc"};
    u.lines.push_back("lui_step");
    u.bodyWords = kStepWords;
    int caseNumber = 0, bit15Cases = 0;
    bool sidesAgree = true, noWrap = true, zeroNibbles = true;
    for (std::size_t g = 0; g < kBases.size(); ++g) {
        const std::uint32_t base = kBases[g];
        u.lines.push_back(fmt::format("# group {}: immediates {} to {}", g + 1, hex16(base),
                                      hex16(base + kGroupSize - 1)));
        u.lines.push_back("lui_group");
        u.bodyWords += kGroupWords;
        zeroNibbles = zeroNibbles && (base & 0xf) == 0;
        for (int i = 0; i < kGroupSize; ++i) {
            const std::uint32_t imm = base + i;
            noWrap = noWrap && imm <= 0xffff;
            bit15Cases += (imm & 0x8000) != 0;
            // On a correct core: (base << 16) plus i steps of 0x10000 is imm << 16.
            const std::uint32_t expected = (base << 16) + std::uint32_t(i) * 0x10000u;
            sidesAgree = sidesAgree && expected == imm << 16;
            u.lines.push_back(alu::caseLine(fmt::format("lui_case {}, {}", hex16(imm), hex16(base)),
                                            ++caseNumber));
            u.bodyWords += kCaseWords;
        }
    }
    u.properties = {
        countProperty("cases", 192, caseNumber),
        countProperty("groups of 16", 12, static_cast<long>(kBases.size())),
        countProperty("cases with immediate bit 15 set (five groups)", 80, bit15Cases),
        flagProperty("group bases end in a zero hex digit", zeroNibbles),
        flagProperty("no immediate wraps past 0xffff", noWrap),
        flagProperty("both sides of every case agree on a correct core", sidesAgree),
    };
}

} // namespace casegen
