// Faults of lui.
#include <vector>

#include "families.h"

namespace coretest::faults {

std::span<const FaultDef> lui() {
    static const std::vector<FaultDef> list{
        {"lui-low-half",
         "lui places its immediate in the low half instead of the upper half.",
         "n1_lui_test",
         [](FaultSite& site) {
             site.replace(Op::Lui, [](auto& core, const Instr& i) { core.setRt(i, i.imm >> 16); });
         },
         {ExpectedKind::Fails, {{"n1_lui_test", 2, 1}}}},
    };
    return list;
}

} // namespace coretest::faults
