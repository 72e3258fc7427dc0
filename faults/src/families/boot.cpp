// Faults of the reset path and the final idle loop.
#include <vector>

#include "families.h"

namespace coretest::faults {

namespace {

// A branch or jump that does nothing: the core runs straight on.
constexpr auto kNotTaken = [](auto&, const Instr&) {};

} // namespace

std::span<const FaultDef> boot() {
    static const std::vector<FaultDef> list{
        {"no-reset-jump",
         "The reset jump does not transfer control: the core runs through the first guard group "
         "and the nop words into test_finish and idles there without writing to the board.",
         "",
         [](FaultSite& site) { site.replaceAt(site.image().entry(), kNotTaken); },
         {ExpectedKind::IdleNoVerdict, {}}},
        {"finish-falls-through",
         "The branch of test_finish is not taken: after the verdict the core runs through the "
         "third "
         "guard group and the nop words into the loop at the exception vector.",
         "",
         [](FaultSite& site) { site.replaceAt(site.symbol("test_finish") + 4, kNotTaken); },
         {ExpectedKind::ExceptionIdle, {}}},
    };
    return list;
}

} // namespace coretest::faults
