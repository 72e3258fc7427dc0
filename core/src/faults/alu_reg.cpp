// Faults of the register-register ALU instructions.
#include <vector>

#include "coretest/semantics.h"
#include "families.h"

namespace coretest::faults {

std::span<const FaultDef> aluReg() {
    static const std::vector<FaultDef> list{
        {"addu-traps-overflow",
         "addu raises the overflow exception on signed overflow, like add.",
         "n2_addu_test",
         [](FaultSite& site) {
             site.replace(Op::Addu, [](auto& core, const Instr& i) {
                 writeChecked(core, i.rd, addOverflows(core.rs(i), core.rt(i)),
                              core.rs(i) + core.rt(i));
             });
         },
         {ExpectedKind::ExceptionIdle, {{"n2_addu_test", 2, 0}}}},
    };
    return list;
}

} // namespace coretest::faults
