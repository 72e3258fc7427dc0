// Faults of the delay slots of branches and jumps, and of the linking instructions whose failure
// paths leave a link address inside a case in ra.
#include <vector>

#include "alu_sites.h"
#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"
#include "link_only.h"

namespace coretest::faults {

namespace {

// After the branch has decided, npc is its target when taken and the word after the delay slot
// when not (no routine branches to the word after its own delay slot).
template <class C>
bool wasTaken(const C& c) {
    return c.state().npc != c.pc() + 8;
}

// The delay slot is skipped after the instructions of `op` that transfer control (kTaken) or
// after those that fall through (!kTaken).
template <Op op, bool kTaken>
void annulSlot(FaultSite& site) {
    site.replace(op, [](auto& c, const Instr& i) {
        realSemantics(c, i);
        if (wasTaken(c) == kTaken) c.annulDelaySlot();
    });
}

// A multiply or divide in the delay slot of a jalr does nothing: the words behind the jalrs of
// the range, when the jalr right before has just jumped.
void dropMulDivInJalrSlot(FaultSite& site) {
    forEachInstruction(site, [&](std::uint32_t address, const Instr& i) {
        if (i.op != Op::Jalr) return;
        site.replaceAt(address + 4, [](auto& c, const Instr& slot) {
            const bool mulDiv = slot.op >= Op::Mult && slot.op <= Op::Divu;
            if (!mulDiv || c.state().lastBranch != c.pc() - 4) realSemantics(c, slot);
        });
    });
}

// Ordinals of the branches to inst_error within a case: branch routines compare the not-taken
// slot's result (1), fall to "b inst_error" (2), compare the taken slot's result (3); jump
// routines fall to "b inst_error" (1) or compare at the check step (2).
constexpr int kUntakenCheck = 1;
constexpr int kFellThrough = 2;
constexpr int kTakenCheck = 3;
constexpr int kJumpFellThrough = 1;
constexpr int kJumpCheck = 2;
// n58's first multiply/divide case.
constexpr int kFirstMulDivCase = 27;

} // namespace

std::span<const FaultDef> delaySlot() {
    static const std::vector<FaultDef> defs{
        failsInScope("beq-ds-taken-slot-annulled", "a taken beq skips its delay-slot instruction",
                     "n16_beq_ds_test", annulSlot<Op::Beq, true>, 1, kTakenCheck),
        failsInScope("bne-ds-taken-slot-annulled", "a taken bne skips its delay-slot instruction",
                     "n17_bne_ds_test", annulSlot<Op::Bne, true>, 1, kTakenCheck),
        failsInScope("bgez-ds-taken-slot-annulled", "a taken bgez skips its delay-slot instruction",
                     "n52_bgez_ds_test", annulSlot<Op::Bgez, true>, 1, kTakenCheck),
        failsInScope("bgtz-ds-taken-slot-annulled", "a taken bgtz skips its delay-slot instruction",
                     "n53_bgtz_ds_test", annulSlot<Op::Bgtz, true>, 1, kTakenCheck),
        failsInScope("blez-ds-taken-slot-annulled", "a taken blez skips its delay-slot instruction",
                     "n54_blez_ds_test", annulSlot<Op::Blez, true>, 1, kTakenCheck),
        failsInScope("bltz-ds-taken-slot-annulled", "a taken bltz skips its delay-slot instruction",
                     "n55_bltz_ds_test", annulSlot<Op::Bltz, true>, 1, kTakenCheck),
        failsInScope("bltzal-ds-taken-slot-annulled",
                     "a taken bltzal skips its delay-slot instruction", "n56_bltzal_ds_test",
                     annulSlot<Op::Bltzal, true>, 1, kTakenCheck),
        failsInScope("bgezal-ds-taken-slot-annulled",
                     "a taken bgezal skips its delay-slot instruction", "n57_bgezal_ds_test",
                     annulSlot<Op::Bgezal, true>, 1, kTakenCheck),

        failsInScope("beq-ds-untaken-slot-annulled",
                     "a beq that falls through skips its delay-slot instruction", "n16_beq_ds_test",
                     annulSlot<Op::Beq, false>, 1, kUntakenCheck),
        failsInScope("bne-ds-untaken-slot-annulled",
                     "a bne that falls through skips its delay-slot instruction", "n17_bne_ds_test",
                     annulSlot<Op::Bne, false>, 1, kUntakenCheck),
        failsInScope("bgez-ds-untaken-slot-annulled",
                     "a bgez that falls through skips its delay-slot instruction",
                     "n52_bgez_ds_test", annulSlot<Op::Bgez, false>, 1, kUntakenCheck),
        failsInScope("bgtz-ds-untaken-slot-annulled",
                     "a bgtz that falls through skips its delay-slot instruction",
                     "n53_bgtz_ds_test", annulSlot<Op::Bgtz, false>, 1, kUntakenCheck),
        failsInScope("blez-ds-untaken-slot-annulled",
                     "a blez that falls through skips its delay-slot instruction",
                     "n54_blez_ds_test", annulSlot<Op::Blez, false>, 1, kUntakenCheck),
        failsInScope("bltz-ds-untaken-slot-annulled",
                     "a bltz that falls through skips its delay-slot instruction",
                     "n55_bltz_ds_test", annulSlot<Op::Bltz, false>, 1, kUntakenCheck),
        // The two link routines fail here with ra holding the link of the not-taken branch: the
        // report block must return through s7.
        failsInScope("bltzal-ds-untaken-slot-annulled",
                     "a bltzal that falls through (and links) skips its delay-slot instruction",
                     "n56_bltzal_ds_test", annulSlot<Op::Bltzal, false>, 1, kUntakenCheck),
        failsInScope("bgezal-ds-untaken-slot-annulled",
                     "a bgezal that falls through (and links) skips its delay-slot instruction",
                     "n57_bgezal_ds_test", annulSlot<Op::Bgezal, false>, 1, kUntakenCheck),
        failsInScope("bltzal-ds-links-without-branching", "bltzal writes ra but never branches",
                     "n56_bltzal_ds_test", linkOnly<Op::Bltzal>, 1, kFellThrough),
        failsInScope("bgezal-ds-links-without-branching", "bgezal writes ra but never branches",
                     "n57_bgezal_ds_test", linkOnly<Op::Bgezal>, 1, kFellThrough),

        failsInScope("j-ds-slot-annulled", "j skips its delay-slot instruction", "n18_j_ds_test",
                     annulSlot<Op::J, true>, 1, kJumpCheck),
        failsInScope("jal-ds-slot-annulled", "jal skips its delay-slot instruction",
                     "n19_jal_ds_test", annulSlot<Op::Jal, true>, 1, kJumpCheck),
        failsInScope("jr-ds-slot-annulled", "jr skips its delay-slot instruction", "n20_jr_ds_test",
                     annulSlot<Op::Jr, true>, 1, kJumpCheck),
        failsInScope("jalr-ds-slot-annulled", "jalr skips its delay-slot instruction",
                     "n58_jalr_ds_test", annulSlot<Op::Jalr, true>, 1, kJumpCheck),
        failsInScope("jalr-ds-slot-drops-muldiv",
                     "a multiply or divide in the delay slot of jalr is not executed",
                     "n58_jalr_ds_test", dropMulDivInJalrSlot, kFirstMulDivCase, kJumpCheck),
        // Both fail with ra holding the link, the address of the case's "b inst_error": the
        // report block must return through s7.
        failsInScope("jal-ds-links-without-jumping", "jal writes ra but does not jump",
                     "n19_jal_ds_test", linkOnly<Op::Jal>, 1, kJumpFellThrough),
        failsInScope("jalr-ds-links-without-jumping",
                     "jalr writes its link register but does not jump", "n58_jalr_ds_test",
                     linkOnly<Op::Jalr>, 1, kJumpFellThrough),
    };
    return defs;
}

} // namespace coretest::faults
