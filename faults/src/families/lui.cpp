// Faults of lui. They act on the lui instructions of the cases (the group base and the immediate
// under test), not on the step that the routine loads before its first group: a lui broken there
// too would scale the running offset the same way and the routine could not tell.
#include <cstdint>
#include <vector>

#include "alu_sites.h"
#include "families.h"

namespace coretest::faults {
namespace {

// Every lui of the range but the first, which loads the step of the running offset.
template <class F>
void replaceCaseLuis(FaultSite& site, F semantics) {
    bool stepSeen = false;
    forEachInstruction(site, [&](std::uint32_t address, const Instr& i) {
        if (i.op != Op::Lui) return;
        if (stepSeen) site.replaceAt(address, semantics);
        stepSeen = true;
    });
}

// lui with bit `Bit` of its 16-bit immediate stuck at `One`.
template <unsigned Bit, bool One>
void installStuckBit(FaultSite& site) {
    replaceCaseLuis(site, [](auto& core, const Instr& i) {
        constexpr std::uint32_t mask = 1u << (16 + Bit);
        core.setRt(i, One ? (i.imm | mask) : (i.imm & ~mask));
    });
}

constexpr Expected failsAt(int caseIndex) {
    return {ExpectedKind::Fails, {{"n1_lui_test", caseIndex, 1}}};
}

} // namespace

std::span<const FaultDef> lui() {
    static const std::vector<FaultDef> list{
        {"lui-low-half", "lui places its immediate in the low half instead of the upper half.",
         "n1_lui_test",
         [](FaultSite& site) {
             replaceCaseLuis(site, [](auto& core, const Instr& i) { core.setRt(i, i.imm >> 16); });
         },
         failsAt(2)},
        {"lui-shift-15", "lui shifts its immediate left by 15 instead of 16.", "n1_lui_test",
         [](FaultSite& site) {
             replaceCaseLuis(site, [](auto& core, const Instr& i) { core.setRt(i, i.imm >> 1); });
         },
         failsAt(2)},
        {"lui-imm-bit0-stuck-0", "lui reads bit 0 of its immediate as 0.", "n1_lui_test",
         installStuckBit<0, false>, failsAt(2)},
        {"lui-imm-bit0-stuck-1", "lui reads bit 0 of its immediate as 1.", "n1_lui_test",
         installStuckBit<0, true>, failsAt(2)},
        {"lui-imm-bit1-stuck-0", "lui reads bit 1 of its immediate as 0.", "n1_lui_test",
         installStuckBit<1, false>, failsAt(3)},
        {"lui-imm-bit1-stuck-1", "lui reads bit 1 of its immediate as 1.", "n1_lui_test",
         installStuckBit<1, true>, failsAt(3)},
        {"lui-imm-bit2-stuck-0", "lui reads bit 2 of its immediate as 0.", "n1_lui_test",
         installStuckBit<2, false>, failsAt(5)},
        {"lui-imm-bit2-stuck-1", "lui reads bit 2 of its immediate as 1.", "n1_lui_test",
         installStuckBit<2, true>, failsAt(5)},
        {"lui-imm-bit3-stuck-0", "lui reads bit 3 of its immediate as 0.", "n1_lui_test",
         installStuckBit<3, false>, failsAt(9)},
        {"lui-imm-bit3-stuck-1", "lui reads bit 3 of its immediate as 1.", "n1_lui_test",
         installStuckBit<3, true>, failsAt(9)},
        // Base and immediate of a case differ only in bits 0 to 3, so a stuck higher bit
        // changes both sides alike.
        {"lui-imm-bit7-stuck-1",
         "lui reads bit 7 of its immediate as 1.",
         "n1_lui_test",
         installStuckBit<7, true>,
         {ExpectedKind::Unnoticed, {}}},
    };
    return list;
}

} // namespace coretest::faults
