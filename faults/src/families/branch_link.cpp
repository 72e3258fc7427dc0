// Faults of the branch-and-link instructions: a wrong decision, a link written only when the
// branch is taken, and a link one instruction short.
#include <vector>

#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"
#include "link_only.h"

namespace coretest::faults {

namespace {

// Whether bltzal or bgezal branches for the core's registers, by the MIPS-I rule.
template <class C>
bool decides(const C& c, const Instr& i) {
    return (asSigned(c.rs(i)) < 0) == (i.op == Op::Bltzal);
}

// Links as it should, and always branches.
template <Op op>
void alwaysTaken(FaultSite& site) {
    site.replace(op, [](auto& c, const Instr& i) {
        c.link(31);
        c.branch(i, true);
    });
}

// Decides as it should, but writes ra only when it branches.
template <Op op>
void linksOnlyWhenTaken(FaultSite& site) {
    site.replace(op, [](auto& c, const Instr& i) {
        if (!decides(c, i)) return;
        c.link(31);
        c.branch(i, true);
    });
}

// Decides as it should, but links the address of its delay slot (branch + 4).
template <Op op>
void linksDelaySlot(FaultSite& site) {
    site.replace(op, [](auto& c, const Instr& i) {
        c.setReg(31, c.pc() + 4);
        c.branch(i, decides(c, i));
    });
}

// Comparisons of a branch-and-link case: v0, v1, then the link of the backward branch (a0) and
// that of the forward branch (a1).
constexpr int kV0 = 1;
constexpr int kBackwardLink = 3;

} // namespace

std::span<const FaultDef> branchLink() {
    static const std::vector<FaultDef> list{
        failsInScope("bltzal-never-taken", "bltzal links but never branches", "n41_bltzal_test",
                     linkOnly<Op::Bltzal>, 1, kV0),
        failsInScope("bltzal-always-taken", "bltzal links and always branches", "n41_bltzal_test",
                     alwaysTaken<Op::Bltzal>, 2, kV0),
        // In the first not-taken case a0 keeps the routine's return address.
        failsInScope("bltzal-links-only-when-taken", "bltzal writes ra only when it branches",
                     "n41_bltzal_test", linksOnlyWhenTaken<Op::Bltzal>, 2, kBackwardLink),
        failsInScope("bltzal-links-delay-slot",
                     "bltzal links its own address plus 4 instead of plus 8", "n41_bltzal_test",
                     linksDelaySlot<Op::Bltzal>, 1, kBackwardLink),
        failsInScope("bgezal-never-taken", "bgezal links but never branches", "n42_bgezal_test",
                     linkOnly<Op::Bgezal>, 2, kV0),
        failsInScope("bgezal-always-taken", "bgezal links and always branches", "n42_bgezal_test",
                     alwaysTaken<Op::Bgezal>, 1, kV0),
        failsInScope("bgezal-links-only-when-taken", "bgezal writes ra only when it branches",
                     "n42_bgezal_test", linksOnlyWhenTaken<Op::Bgezal>, 1, kBackwardLink),
        failsInScope("bgezal-links-delay-slot",
                     "bgezal links its own address plus 4 instead of plus 8", "n42_bgezal_test",
                     linksDelaySlot<Op::Bgezal>, 1, kBackwardLink),
    };
    return list;
}

} // namespace coretest::faults
