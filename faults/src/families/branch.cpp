// Faults of the conditional branches: a branch that never or always branches, decides wrongly
// for an operand of 0, or branches in one direction only. `b` is beq zero, zero and every
// comparison of the ROM is a bne, so the beq and bne faults are confined to their own routines,
// and one bne fault is also run over the whole ROM.
#include <vector>

#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"

namespace coretest::faults {

namespace {

// Whether the conditional branch i branches for the core's registers, by the MIPS-I rule.
template <class C>
bool decides(const C& c, const Instr& i) {
    const std::int32_t s = asSigned(c.rs(i));
    switch (i.op) {
    case Op::Beq: return c.rs(i) == c.rt(i);
    case Op::Bne: return c.rs(i) != c.rt(i);
    case Op::Bgez: return s >= 0;
    case Op::Bgtz: return s > 0;
    case Op::Blez: return s <= 0;
    case Op::Bltz: return s < 0;
    default: return false;
    }
}

template <Op op>
void neverTaken(FaultSite& site) {
    site.replace(op, [](auto&, const Instr&) {});
}

template <Op op>
void alwaysTaken(FaultSite& site) {
    site.replace(op, [](auto& c, const Instr& i) { c.branch(i, true); });
}

// Branches as the rule says, but never to a target before itself (a negative offset).
template <Op op>
void neverBackward(FaultSite& site) {
    site.replace(op, [](auto& c, const Instr& i) { c.branch(i, decides(c, i) && i.imm > c.pc()); });
}

// Branches as the rule says, but never to a target after itself.
template <Op op>
void neverForward(FaultSite& site) {
    site.replace(op,
                 [](auto& c, const Instr& i) { c.branch(i, decides(c, i) && i.imm <= c.pc()); });
}

// The branch decides by a neighbouring rule that differs from its own only for 0.
void bgtzTakenOnZero(FaultSite& site) {
    site.replace(Op::Bgtz, [](auto& c, const Instr& i) { c.branch(i, asSigned(c.rs(i)) >= 0); });
}
void blezNotTakenOnZero(FaultSite& site) {
    site.replace(Op::Blez, [](auto& c, const Instr& i) { c.branch(i, asSigned(c.rs(i)) < 0); });
}
void bgezNotTakenOnZero(FaultSite& site) {
    site.replace(Op::Bgez, [](auto& c, const Instr& i) { c.branch(i, asSigned(c.rs(i)) > 0); });
}
void bltzTakenOnZero(FaultSite& site) {
    site.replace(Op::Bltz, [](auto& c, const Instr& i) { c.branch(i, asSigned(c.rs(i)) <= 0); });
}

// Comparisons of a back-and-forth case: v0 with expected v0, then v1 with expected v1.
constexpr int kV0 = 1;
constexpr int kV1 = 2;

} // namespace

std::span<const FaultDef> branch() {
    static const std::vector<FaultDef> list{
        // A wrong decision shows in the first case of the other outcome, at v0: 0 where the
        // markers are expected, or marker A where 0 is.
        failsInScope("bgez-never-taken", "bgez never branches", "n37_bgez_test",
                     neverTaken<Op::Bgez>, 6, kV0),
        failsInScope("bgez-always-taken", "bgez always branches", "n37_bgez_test",
                     alwaysTaken<Op::Bgez>, 1, kV0),
        failsInScope("bgtz-never-taken", "bgtz never branches", "n38_bgtz_test",
                     neverTaken<Op::Bgtz>, 3, kV0),
        failsInScope("bgtz-always-taken", "bgtz always branches", "n38_bgtz_test",
                     alwaysTaken<Op::Bgtz>, 1, kV0),
        failsInScope("blez-never-taken", "blez never branches", "n39_blez_test",
                     neverTaken<Op::Blez>, 1, kV0),
        failsInScope("blez-always-taken", "blez always branches", "n39_blez_test",
                     alwaysTaken<Op::Blez>, 2, kV0),
        failsInScope("bltz-never-taken", "bltz never branches", "n40_bltz_test",
                     neverTaken<Op::Bltz>, 1, kV0),
        failsInScope("bltz-always-taken", "bltz always branches", "n40_bltz_test",
                     alwaysTaken<Op::Bltz>, 6, kV0),

        // Operand 0 stands only in the last case of these routines.
        failsInScope("bgtz-taken-on-zero", "bgtz branches on 0 (decides like bgez)",
                     "n38_bgtz_test", bgtzTakenOnZero, 201, kV0),
        failsInScope("blez-not-taken-on-zero", "blez does not branch on 0 (decides like bltz)",
                     "n39_blez_test", blezNotTakenOnZero, 201, kV0),
        failsInScope("bgez-not-taken-on-zero", "bgez does not branch on 0 (decides like bgtz)",
                     "n37_bgez_test", bgezNotTakenOnZero, 201, kV0),
        failsInScope("bltz-taken-on-zero", "bltz branches on 0 (decides like blez)",
                     "n40_bltz_test", bltzTakenOnZero, 153, kV0),

        // Every b of the template is a beq: case 1 (not taken) already goes wrong.
        failsInScope("beq-never-branches",
                     "beq never branches: the template's b falls through into the marker-A block",
                     "n4_beq_test", neverTaken<Op::Beq>, 1, kV0),
        failsInScope("beq-always-branches", "beq always branches", "n4_beq_test",
                     alwaysTaken<Op::Beq>, 1, kV0),
        failsInScope("bne-always-branches",
                     "bne always branches: the first comparison of the routine reports a mismatch",
                     "n5_bne_test", alwaysTaken<Op::Bne>, 1, kV0),
        {"bne-never-branches",
         "bne never branches. Every comparison of the ROM is a bne, so the routine that tests bne "
         "cannot see it and passes.",
         "n5_bne_test", neverTaken<Op::Bne>, unnoticed()},
        // No comparison can report anything any more; only the bne delay-slot routine, whose
        // taken bne falls through into its "b inst_error", notices. The pauses of wait_1s,
        // which loop on bnez, shrink to one turn.
        {"bne-never-branches-whole-rom",
         "bne never branches anywhere in the ROM: only the bne delay-slot test notices", "",
         neverTaken<Op::Bne>, failsAt("n17_bne_ds_test", 1, 2)},

        // Taken backward, never forward: marker A arrives, marker B does not. Never backward:
        // the marker-A block is never reached.
        failsInScope("bgez-never-backward", "bgez never takes a negative offset", "n37_bgez_test",
                     neverBackward<Op::Bgez>, 6, kV0),
        failsInScope("bgez-never-forward", "bgez takes a negative offset but never a positive one",
                     "n37_bgez_test", neverForward<Op::Bgez>, 6, kV1),
        failsInScope("bgtz-never-backward", "bgtz never takes a negative offset", "n38_bgtz_test",
                     neverBackward<Op::Bgtz>, 3, kV0),
        failsInScope("bgtz-never-forward", "bgtz takes a negative offset but never a positive one",
                     "n38_bgtz_test", neverForward<Op::Bgtz>, 3, kV1),
        failsInScope("blez-never-backward", "blez never takes a negative offset", "n39_blez_test",
                     neverBackward<Op::Blez>, 1, kV0),
        failsInScope("blez-never-forward", "blez takes a negative offset but never a positive one",
                     "n39_blez_test", neverForward<Op::Blez>, 1, kV1),
        failsInScope("bltz-never-backward", "bltz never takes a negative offset", "n40_bltz_test",
                     neverBackward<Op::Bltz>, 1, kV0),
        failsInScope("bltz-never-forward", "bltz takes a negative offset but never a positive one",
                     "n40_bltz_test", neverForward<Op::Bltz>, 1, kV1),
        failsInScope("beq-never-backward", "beq never takes a negative offset", "n4_beq_test",
                     neverBackward<Op::Beq>, 33, kV0),
        // The entry's b is a forward beq: case 1 runs into the marker-A block.
        failsInScope("beq-never-forward", "beq takes a negative offset but never a positive one",
                     "n4_beq_test", neverForward<Op::Beq>, 1, kV0),
        failsInScope("bne-never-backward", "bne never takes a negative offset", "n5_bne_test",
                     neverBackward<Op::Bne>, 1, kV0),
        // Every comparison branches forward, so none can report the missing marker B.
        {"bne-never-forward",
         "bne takes a negative offset but never a positive one: no comparison can fire, and the "
         "routine passes",
         "n5_bne_test", neverForward<Op::Bne>, unnoticed()},
    };
    return list;
}

} // namespace coretest::faults
