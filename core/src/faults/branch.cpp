// Faults of the conditional branches.
#include <vector>

#include "families.h"

namespace coretest::faults {

std::span<const FaultDef> branch() {
    static const std::vector<FaultDef> list{
        {"bne-never-branches",
         "bne never branches. Every comparison of the ROM is a bne, so the routine that tests bne "
         "cannot see it and passes.",
         "n5_bne_test",
         [](FaultSite& site) { site.replace(Op::Bne, [](auto&, const Instr&) {}); },
         {ExpectedKind::Unnoticed, {}}},
    };
    return list;
}

} // namespace coretest::faults
