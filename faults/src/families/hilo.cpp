// Faults of the HI/LO moves.
#include <string_view>
#include <vector>

#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"

namespace coretest::faults {

namespace {

// A move to HI or LO reaches the register only after the next read of it, which still returns
// the old value. The scratch keeps the pending write: [0] the value, [1] 1 while pending.
template <class C>
void landPending(C& c, bool hi) {
    FaultScratch& s = c.scratch();
    if (!s[1]) return;
    if (hi)
        c.setHi(s[0]);
    else
        c.setLo(s[0]);
    s[1] = 0;
}

template <bool hi>
void lateWrite(FaultSite& site) {
    site.replace(hi ? Op::Mthi : Op::Mtlo, [](auto& c, const Instr& i) {
        landPending(c, hi);
        c.scratch()[0] = c.rs(i);
        c.scratch()[1] = 1;
    });
    site.replace(hi ? Op::Mfhi : Op::Mflo, [](auto& c, const Instr& i) {
        realSemantics(c, i);
        landPending(c, hi);
    });
}

// Cases of the four routines, each ending with the value 0.
constexpr int kMthiCases = 107;
constexpr int kMtloCases = 60;

} // namespace

std::span<const FaultDef> hilo() {
    static const std::vector<FaultDef> list{
        {"mthi-writes-lo", "mthi writes LO instead of HI", "n50_mthi_test",
         [](FaultSite& site) {
             site.replace(Op::Mthi, [](auto& c, const Instr& i) { c.setLo(c.rs(i)); });
         },
         failsAt("n50_mthi_test", 1)},
        {"mtlo-writes-hi", "mtlo writes HI instead of LO", "n51_mtlo_test",
         [](FaultSite& site) {
             site.replace(Op::Mtlo, [](auto& c, const Instr& i) { c.setHi(c.rs(i)); });
         },
         failsAt("n51_mtlo_test", 1)},
        {"mfhi-reads-lo", "mfhi reads LO instead of HI", "n48_mfhi_test",
         [](FaultSite& site) {
             site.replace(Op::Mfhi, [](auto& c, const Instr& i) { c.setRd(i, c.lo()); });
         },
         failsAt("n48_mfhi_test", 1)},
        {"mflo-reads-hi", "mflo reads HI instead of LO", "n49_mflo_test",
         [](FaultSite& site) {
             site.replace(Op::Mflo, [](auto& c, const Instr& i) { c.setRd(i, c.hi()); });
         },
         failsAt("n49_mflo_test", 1)},
        // A pair that moves through the same wrong register still returns what it wrote: only
        // the multiply and divide routines, whose results land in HI and LO, can tell.
        {"hi-lo-swapped-moves",
         "mthi and mfhi work on LO, mtlo and mflo on HI: every write-read pair still meets",
         "n48_mfhi_test",
         [](FaultSite& site) {
             site.replace(Op::Mthi, [](auto& c, const Instr& i) { c.setLo(c.rs(i)); });
             site.replace(Op::Mfhi, [](auto& c, const Instr& i) { c.setRd(i, c.lo()); });
             site.replace(Op::Mtlo, [](auto& c, const Instr& i) { c.setHi(c.rs(i)); });
             site.replace(Op::Mflo, [](auto& c, const Instr& i) { c.setRd(i, c.hi()); });
         },
         unnoticed()},
        // HI and LO hold 0 when the routines start, and no first value is 0.
        {"mthi-late",
         "a mthi write is not visible to the mfhi right after it, which reads the old HI",
         "n50_mthi_test", lateWrite<true>, failsAt("n50_mthi_test", 1)},
        {"mtlo-late",
         "a mtlo write is not visible to the mflo right after it, which reads the old LO",
         "n51_mtlo_test", lateWrite<false>, failsAt("n51_mtlo_test", 1)},
        {"mthi-ignores-zero", "mthi of the value 0 leaves HI unchanged", "n50_mthi_test",
         [](FaultSite& site) {
             site.replace(Op::Mthi, [](auto& c, const Instr& i) {
                 if (c.rs(i) != 0) realSemantics(c, i);
             });
         },
         failsAt("n50_mthi_test", kMthiCases)},
        {"mtlo-ignores-zero", "mtlo of the value 0 leaves LO unchanged", "n51_mtlo_test",
         [](FaultSite& site) {
             site.replace(Op::Mtlo, [](auto& c, const Instr& i) {
                 if (c.rs(i) != 0) realSemantics(c, i);
             });
         },
         failsAt("n51_mtlo_test", kMtloCases)},
    };
    return list;
}

} // namespace coretest::faults
