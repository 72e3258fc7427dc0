// Pipeline hazards of a whole core: a result that reaches a later instruction too late because a
// forwarding path is missing, a load without its interlock, HI and LO read before a multiply,
// divide or move has delivered them. Each acts on every instruction of the ROM.
#include <vector>

#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"
#include "stale_reads.h"

namespace coretest::faults {

namespace {

template <MissingPath Path>
void loses(FaultSite& site) {
    replaceEveryOperation(site, pipelined<Path>);
}

// mfhi and mflo without the HI/LO interlock: fewer than kMultiplyCycles (kDivideCycles)
// instructions after a multiply (divide) they read HI and LO as they were before it. A move to
// HI or LO in between is read as moved. The scratch: [0] LO and [1] HI before the operation,
// [2] its instruction count, [3] its length, [4] and [5] whether LO and HI are still pending.
enum MulDivWord { kOldLo, kOldHi, kStart, kLength, kLoPending, kHiPending };

void hiLoBeforeMulDivDone(FaultSite& site) {
    site.replace({Op::Mult, Op::Multu, Op::Div, Op::Divu}, [](auto& c, const Instr& i) {
        FaultScratch& s = c.scratch();
        s[kOldLo] = c.lo();
        s[kOldHi] = c.hi();
        s[kStart] = static_cast<std::uint32_t>(c.instructions());
        s[kLength] = i.op == Op::Mult || i.op == Op::Multu ? kMultiplyCycles : kDivideCycles;
        s[kLoPending] = s[kHiPending] = 1;
        realSemantics(c, i);
    });
    site.replace({Op::Mfhi, Op::Mflo}, [](auto& c, const Instr& i) {
        FaultScratch& s = c.scratch();
        const bool hi = i.op == Op::Mfhi;
        const bool early = static_cast<std::uint32_t>(c.instructions()) - s[kStart] < s[kLength];
        if (early && s[hi ? kHiPending : kLoPending])
            c.setRd(i, s[hi ? kOldHi : kOldLo]);
        else
            realSemantics(c, i);
    });
    site.replace({Op::Mthi, Op::Mtlo}, [](auto& c, const Instr& i) {
        c.scratch()[i.op == Op::Mthi ? kHiPending : kLoPending] = 0;
        realSemantics(c, i);
    });
}

// mfhi or mflo right after a mthi or mtlo of the same register reads it as before the move. The
// scratch: [0] the value before the move, [1] the instruction count of the move, [2] 1 for HI.
void hiLoMoveNotForwarded(FaultSite& site) {
    site.replace({Op::Mthi, Op::Mtlo}, [](auto& c, const Instr& i) {
        FaultScratch& s = c.scratch();
        s[2] = i.op == Op::Mthi;
        s[0] = s[2] ? c.hi() : c.lo();
        s[1] = static_cast<std::uint32_t>(c.instructions());
        realSemantics(c, i);
    });
    site.replace({Op::Mfhi, Op::Mflo}, [](auto& c, const Instr& i) {
        const FaultScratch& s = c.scratch();
        const bool sameRegister = s[2] == (i.op == Op::Mfhi);
        if (s[1] != 0 && static_cast<std::uint32_t>(c.instructions()) - s[1] == 1 && sameRegister)
            c.setRd(i, s[0]);
        else
            realSemantics(c, i);
    });
}

} // namespace

std::span<const FaultDef> hazard() {
    static const std::vector<FaultDef> list{
        {"forwarding-ex-ex-missing",
         "no EX/MEM forwarding: the instruction right after a non-load register write reads that "
         "register as before the write",
         "n2_addu_test", loses<MissingPath{1, true}>, failsAt("n2_addu_test", 1)},
        {"forwarding-ex-ex-missing-rs",
         "no EX/MEM forwarding to the rs operand: the instruction right after a non-load write "
         "reads it as rs as before the write (rt is forwarded)",
         "n2_addu_test", loses<MissingPath{1, true, Operands::Rs}>, failsAt("n2_addu_test", 1)},
        {"forwarding-ex-ex-missing-rt",
         "no EX/MEM forwarding to the rt operand: the instruction right after a non-load write "
         "reads it as rt as before the write (rs is forwarded)",
         "", loses<MissingPath{1, true, Operands::Rt}>,
         failsIn({{"n4_beq_test", 33, 1},      {"n5_bne_test", 67, 1},
                  {"n16_beq_ds_test", 1, 1},   {"n17_bne_ds_test", 2, 1},
                  {"n41_bltzal_test", 1, 3},   {"n42_bgezal_test", 1, 3},
                  {"n43_jalr_test", 1, 3},     {"n44_div_test", 1, 2},
                  {"n45_divu_test", 5, 2},     {"n46_mult_test", 1, 1},
                  {"n47_multu_test", 1, 1},    {"n48_mfhi_test", 1, 1},
                  {"n49_mflo_test", 1, 1},     {"n50_mthi_test", 1, 1},
                  {"n51_mtlo_test", 1, 1},     {"n52_bgez_ds_test", 1, 1},
                  {"n53_bgtz_ds_test", 2, 1},  {"n54_blez_ds_test", 1, 1},
                  {"n55_bltz_ds_test", 2, 1},  {"n56_bltzal_ds_test", 1, 1},
                  {"n57_bgezal_ds_test", 2, 1}})},
        {"store-data-forwarding-missing",
         "a store right after a non-load write of its data register stores the value from before "
         "the write (the address base is forwarded)",
         "", loses<MissingPath{1, true, Operands::StoreData}>, unnoticed()},
        {"forwarding-mem-ex-missing",
         "no MEM/WB forwarding: a register written two cycles before (or by a load right before, "
         "after its stall) is read as before that write, unless a newer result is forwarded",
         "", loses<MissingPath{2, true}>, exceptionIdle()},
        {"forwarding-wb-id-missing",
         "the register file does not write through: a register written three cycles before (two "
         "instructions with a load stall or a taken branch's bubble between) is read as before "
         "that write, unless newer",
         "n1_lui_test", loses<MissingPath{3, true}>, failsAt("n1_lui_test", 1)},
        {"load-delay-slot-visible",
         "no load interlock: the instruction right after a load sees the loaded register's old "
         "value (a jump target after a load in the slot is a cycle later and sees the new one)",
         "", loses<MissingPath{0, false}>, unnoticed()},
        {"hilo-read-before-muldiv-done",
         "mfhi and mflo fewer than 4 instructions after a multiply (33 after a divide) read HI "
         "and LO as before it",
         "", hiLoBeforeMulDivDone,
         failsIn({{"n44_div_test", 1, 1},
                  {"n45_divu_test", 1, 1},
                  {"n46_mult_test", 1, 1},
                  {"n47_multu_test", 1, 1},
                  {"n52_bgez_ds_test", 27, 1},
                  {"n53_bgtz_ds_test", 27, 1},
                  {"n54_blez_ds_test", 27, 1},
                  {"n55_bltz_ds_test", 27, 1},
                  {"n56_bltzal_ds_test", 27, 1},
                  {"n57_bgezal_ds_test", 27, 1},
                  {"n58_jalr_ds_test", 27, 2}})},
        {"hilo-move-forwarding-missing",
         "mfhi (mflo) right after mthi (mtlo) reads HI (LO) as before the move", "",
         hiLoMoveNotForwarded,
         failsIn({{"n48_mfhi_test", 1, 1},
                  {"n49_mflo_test", 1, 1},
                  {"n50_mthi_test", 1, 1},
                  {"n51_mtlo_test", 1, 1}})},
    };
    return list;
}

} // namespace coretest::faults
