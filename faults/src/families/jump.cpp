// Faults of the jumps: a jump that does not transfer control, a jal that does not link, and a
// link one instruction short. Each is confined to its routine: the test sequence itself calls
// every routine with jal and returns with jr.
#include <vector>

#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"
#include "link_only.h"

namespace coretest::faults {

namespace {

// j or jr: control runs on in straight line after the delay slot.
template <Op op>
void noTransfer(FaultSite& site) {
    site.replace(op, [](auto&, const Instr&) {});
}

// jr through any register but ra does nothing: the jumps of the cases fail, while the routine's
// own return (jr ra) still works.
void jrCaseJumpsDoNotJump(FaultSite& site) {
    site.replace(Op::Jr, [](auto& c, const Instr& i) {
        if (i.rs == 31) realSemantics(c, i);
    });
}

void jalWithoutLink(FaultSite& site) {
    site.replace(Op::Jal, [](auto& c, const Instr& i) { c.jump(i.imm); });
}

// jal or jalr links its own address plus 4 (its delay slot) instead of plus 8.
template <Op op>
void linksDelaySlot(FaultSite& site) {
    site.replace(op, [](auto& c, const Instr& i) {
        const std::uint32_t target = op == Op::Jalr ? c.rs(i) : i.imm;
        c.setReg(op == Op::Jalr ? i.rd : 31, c.pc() + 4);
        c.jump(target);
    });
}

// Comparisons of a jump case: v0, v1, then the link check of jal (a2 + 24 with a1) or the
// first absolute link check of jalr (a0, the link of the backward jalr).
constexpr int kV0 = 1;
constexpr int kV1 = 2;
constexpr int kLinkCheck = 3;

} // namespace

std::span<const FaultDef> jump() {
    static const std::vector<FaultDef> list{
        failsInScope("j-does-not-jump", "j does not transfer control", "n13_j_test",
                     noTransfer<Op::J>, 1, kV0),
        // The entry's jal falls into the marker-A block, so v0 holds marker A and v1 stays 0.
        failsInScope("jal-does-not-jump", "jal writes ra but does not transfer control",
                     "n14_jal_test", linkOnly<Op::Jal>, 1, kV1),
        failsInScope("jr-does-not-jump",
                     "jr to a case's target does not transfer control (jr ra does)", "n15_jr_test",
                     jrCaseJumpsDoNotJump, 1, kV0),
        // Including the routine's own return: after reporting its failure n15 runs on through
        // its padding into the next unit of the ROM, n20_jr_ds_test, which passes with test
        // number 16 and returns to the sequence. The extra pass makes up for the failure, every
        // later routine shows a test number one higher (the display ends at 0x3b00003a), and
        // the verdict, which counts passes only, is a pass.
        {"jr-does-not-jump-nor-return",
         "jr does not transfer control, the routine's own jr ra included", "n15_jr_test",
         noTransfer<Op::Jr>, unnoticed()},
        failsInScope("jalr-does-not-jump", "jalr writes ra but does not transfer control",
                     "n43_jalr_test", linkOnly<Op::Jalr>, 1, kV0),
        // Both captures then hold the routine's return address.
        failsInScope("jal-does-not-link", "jal jumps but never writes ra", "n14_jal_test",
                     jalWithoutLink, 1, kLinkCheck),
        // The jal check is relative: any fixed link offset passes it.
        {"jal-links-delay-slot", "jal links its own address plus 4 instead of plus 8",
         "n14_jal_test", linksDelaySlot<Op::Jal>, unnoticed()},
        failsInScope("jalr-links-delay-slot", "jalr links its own address plus 4 instead of plus 8",
                     "n43_jalr_test", linksDelaySlot<Op::Jalr>, 1, kLinkCheck),
    };
    return list;
}

} // namespace coretest::faults
