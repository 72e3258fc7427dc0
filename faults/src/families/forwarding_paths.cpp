// Forwarding paths missing for one class of producers or one kind of consumer: the result of an
// ALU instruction, a shift, mfhi/mflo or a link register not forwarded to the next instruction,
// a loaded word not forwarded from MEM/WB after the load-use stall, or the address base, a
// branch's operands or a jump target read without the EX/MEM path. Built on the pipeline model
// of stale_reads.h; the second ROM's routines 69 to 73 test every producer class against every
// consumer at distances 1 to 3.
#include <vector>

#include "entries.h"
#include "families.h"
#include "stale_reads.h"

namespace coretest::faults {

namespace {

template <MissingPath Path>
void loses(FaultSite& site) {
    replaceEveryOperation(site, pipelined<Path>);
}

constexpr MissingPath exMem(Producers producers) {
    return {1, true, Operands::Both, producers};
}
constexpr MissingPath exMemTo(Operands operands) {
    return {1, true, operands, Producers::Any};
}

} // namespace

std::span<const FaultDef> forwardingPaths() {
    static const std::vector<FaultDef> list{
        {"forwarding-ex-ex-missing-alu",
         "no EX/MEM forwarding of ALU results (arithmetic, logic, compares, lui): the next "
         "instruction reads the register as before the write",
         "n2_addu_test", loses<exMem(Producers::Alu)>, failsAt("n2_addu_test", 1)},
        {"forwarding-ex-ex-missing-shift",
         "no EX/MEM forwarding of shift results: the next instruction reads the register as "
         "before the shift",
         "n11_sll_test", loses<exMem(Producers::Shift)>, failsAt("n11_sll_test", 1)},
        {"forwarding-ex-ex-missing-hilo",
         "no EX/MEM forwarding of mfhi and mflo results: the next instruction reads the register "
         "as before the move",
         "n52_bgez_ds_test", loses<exMem(Producers::HiLo)>, failsAt("n52_bgez_ds_test", 27)},
        {"forwarding-ex-ex-missing-link",
         "no EX/MEM forwarding of the link register of jal, jalr, bltzal and bgezal: the delay "
         "slot reads it as before the link",
         "", loses<exMem(Producers::Link)>, unnoticed()},
        {"forwarding-mem-ex-missing-load",
         "no MEM/WB forwarding of loaded data: the instruction after the load-use stall (or one "
         "instruction later) reads the register as before the load",
         "n6_lw_test", loses<MissingPath{2, true, Operands::Both, Producers::Load}>,
         exceptionIdle("n6_lw_test", 24)},
        {"forwarding-ex-ex-missing-base",
         "no EX/MEM forwarding to the address base of loads and stores: a load or store right "
         "after a non-load write of its base register uses the base from before the write",
         "n6_lw_test", loses<exMemTo(Operands::AddressBase)>, exceptionIdle("n6_lw_test", 8)},
        {"forwarding-ex-ex-missing-branch",
         "no EX/MEM forwarding to the operands of conditional branches: a branch right after a "
         "non-load write of an operand compares the value from before the write",
         "n2_addu_test", loses<exMemTo(Operands::Branch)>, failsAt("n2_addu_test", 1)},
        {"forwarding-ex-ex-missing-jump-target",
         "no EX/MEM forwarding to the target of jr and jalr: a jump right after a non-load write "
         "of its register goes where the register pointed before the write",
         "", loses<exMemTo(Operands::JumpTarget)>, unnoticed()},
    };
    return list;
}

} // namespace coretest::faults
