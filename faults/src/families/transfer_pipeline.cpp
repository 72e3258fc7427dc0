// Faults of how a pipeline handles branches and jumps as a class: the delay slot annulled, the
// link one instruction short, a store in a taken delay slot lost.
#include <vector>

#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"

namespace coretest::faults {

namespace {

// Every branch and jump.
constexpr std::initializer_list<Op> kTransfers{Op::Beq,  Op::Bne,  Op::Blez,   Op::Bgtz,
                                               Op::Bltz, Op::Bgez, Op::Bltzal, Op::Bgezal,
                                               Op::J,    Op::Jal,  Op::Jr,     Op::Jalr};

// A taken branch or jump skips its delay slot. A transfer is taken when it set the next fetch
// anywhere but the word after its delay slot, or when it is a jump.
void annulTakenSlots(FaultSite& site) {
    site.replace(kTransfers, [](auto& c, const Instr& i) {
        realSemantics(c, i);
        const bool jump = i.op == Op::J || i.op == Op::Jal || i.op == Op::Jr || i.op == Op::Jalr;
        if (jump || c.state().npc != c.pc() + 8) c.annulDelaySlot();
    });
}

// jal, jalr, bltzal and bgezal link their own address plus 4, the delay slot, instead of plus 8.
void linkPlus4(FaultSite& site) {
    site.replace({Op::Jal, Op::Jalr, Op::Bltzal, Op::Bgezal}, [](auto& c, const Instr& i) {
        const std::int32_t s = asSigned(c.rs(i)); // read before the link may overwrite it
        bool taken = true;
        std::uint32_t target = i.imm;
        if (i.op == Op::Jalr) target = c.rs(i);
        if (i.op == Op::Bltzal) taken = s < 0;
        if (i.op == Op::Bgezal) taken = s >= 0;
        c.setReg(i.op == Op::Jalr ? i.rd : 31, c.pc() + 4);
        if (taken) c.jump(target);
    });
}

// A store in the delay slot of a taken branch or jump writes nothing: the transfer right before
// it was taken, so the instruction after the slot is not the next word.
void dropStoresInTakenSlots(FaultSite& site) {
    site.replace({Op::Sb, Op::Sh, Op::Swl, Op::Sw, Op::Swr}, [](auto& c, const Instr& i) {
        const bool inTakenSlot = c.state().lastBranch == c.pc() - 4 && c.state().pc != c.pc() + 4;
        if (!inTakenSlot) realSemantics(c, i);
    });
}

} // namespace

std::span<const FaultDef> transferPipeline() {
    static const std::vector<FaultDef> list{
        {"taken-branch-annuls-delay-slot", "every taken branch or jump annuls its delay slot", "",
         annulTakenSlots,
         failsIn({{"n16_beq_ds_test", 1, 3},
                  {"n17_bne_ds_test", 1, 3},
                  {"n18_j_ds_test", 1, 2},
                  {"n19_jal_ds_test", 1, 2},
                  {"n20_jr_ds_test", 1, 2},
                  {"n52_bgez_ds_test", 1, 3},
                  {"n53_bgtz_ds_test", 1, 3},
                  {"n54_blez_ds_test", 1, 3},
                  {"n55_bltz_ds_test", 1, 3},
                  {"n56_bltzal_ds_test", 1, 3},
                  {"n57_bgezal_ds_test", 1, 3},
                  {"n58_jalr_ds_test", 1, 2}})},
        {"link-address-plus-4", "jal, jalr, bltzal and bgezal link their own address plus 4",
         "n41_bltzal_test", linkPlus4, failsAt("n41_bltzal_test", 1, 3)},
        {"delay-slot-store-dropped",
         "a store in the delay slot of a taken branch or jump writes nothing: the probe that "
         "stores compares registers, and the word already holds the value from the store before",
         "", dropStoresInTakenSlots, unnoticed()},
    };
    return list;
}

} // namespace coretest::faults
