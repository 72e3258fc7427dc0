// Faults of the shifts: the wrong fill bit, the amount of a variable shift taken from the wrong
// place or with too many bits, value and amount exchanged, and sll by 0 mistaken for a nop.
#include <vector>

#include "alu_sites.h"
#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"

namespace coretest::faults {
namespace {

std::uint32_t logicalRight(std::uint32_t v, unsigned n) {
    return v >> n;
}
std::uint32_t arithmeticRight(std::uint32_t v, unsigned n) {
    return static_cast<std::uint32_t>(asSigned(v) >> n);
}
// Shifts by 32 or more, as a core that does not cut the amount to five bits would do them.
std::uint32_t wideShift(Op op, std::uint32_t v, unsigned n) {
    if (n < 32) {
        if (op == Op::Sllv) return v << n;
        return op == Op::Srlv ? logicalRight(v, n) : arithmeticRight(v, n);
    }
    return op == Op::Srav && asSigned(v) < 0 ? 0xffffffffu : 0;
}

// The variable shift `op` with the amount in rt's place and the value in rs's.
template <Op VariableOp>
void installSwapped(FaultSite& site) {
    replaceUnderTest(site, VariableOp, [](auto& core, const Instr& i) {
        Instr swapped = i;
        swapped.rs = i.rt;
        swapped.rt = i.rs;
        realSemantics(core, swapped);
    });
}

// The variable shift `op` shifting by the instruction's sa field, which these forms leave 0.
template <Op VariableOp>
void installAmountFromSa(FaultSite& site) {
    replaceUnderTest(site, VariableOp, [](auto& core, const Instr& i) {
        core.setRd(i, wideShift(VariableOp, core.rt(i), i.sa));
    });
}

// The variable shift `op` using the low six bits of rs as its amount.
template <Op VariableOp>
void installSixBitAmount(FaultSite& site) {
    replaceUnderTest(site, VariableOp, [](auto& core, const Instr& i) {
        core.setRd(i, wideShift(VariableOp, core.rt(i), core.rs(i) & 63));
    });
}

} // namespace

std::span<const FaultDef> shift() {
    static const std::vector<FaultDef> list{
        {"srl-sign-fill", "srl shifts copies of bit 31 in, like sra.", "n35_srl_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Srl, [](auto& core, const Instr& i) {
                 core.setRd(i, arithmeticRight(core.rt(i), i.sa));
             });
         },
         failsAt("n35_srl_test", 1)},
        {"srlv-sign-fill", "srlv shifts copies of bit 31 in, like srav.", "n36_srlv_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Srlv, [](auto& core, const Instr& i) {
                 core.setRd(i, arithmeticRight(core.rt(i), core.rs(i) & 31));
             });
         },
         failsAt("n36_srlv_test", 2)},
        {"sra-zero-fill", "sra shifts zeros in, like srl.", "n33_sra_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Sra, [](auto& core, const Instr& i) {
                 core.setRd(i, logicalRight(core.rt(i), i.sa));
             });
         },
         failsAt("n33_sra_test", 4)},
        {"srav-zero-fill", "srav shifts zeros in, like srlv.", "n34_srav_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Srav, [](auto& core, const Instr& i) {
                 core.setRd(i, logicalRight(core.rt(i), core.rs(i) & 31));
             });
         },
         failsAt("n34_srav_test", 3)},
        {"sllv-amount-from-sa", "sllv shifts by its sa field instead of by rs.", "n32_sllv_test",
         installAmountFromSa<Op::Sllv>, failsAt("n32_sllv_test", 1)},
        {"srlv-amount-from-sa", "srlv shifts by its sa field instead of by rs.", "n36_srlv_test",
         installAmountFromSa<Op::Srlv>, failsAt("n36_srlv_test", 1)},
        {"srav-amount-from-sa", "srav shifts by its sa field instead of by rs.", "n34_srav_test",
         installAmountFromSa<Op::Srav>, failsAt("n34_srav_test", 1)},
        {"sllv-swaps-value-amount", "sllv shifts the amount register by the value.",
         "n32_sllv_test", installSwapped<Op::Sllv>, failsAt("n32_sllv_test", 1)},
        {"srlv-swaps-value-amount", "srlv shifts the amount register by the value.",
         "n36_srlv_test", installSwapped<Op::Srlv>, failsAt("n36_srlv_test", 1)},
        {"srav-swaps-value-amount", "srav shifts the amount register by the value.",
         "n34_srav_test", installSwapped<Op::Srav>, failsAt("n34_srav_test", 1)},
        // Every amount register holds 0 to 31, where five and six bits agree.
        {"sllv-six-bit-amount", "sllv takes six bits of rs as its amount.", "n32_sllv_test",
         installSixBitAmount<Op::Sllv>, unnoticed()},
        {"srlv-six-bit-amount", "srlv takes six bits of rs as its amount.", "n36_srlv_test",
         installSixBitAmount<Op::Srlv>, unnoticed()},
        {"srav-six-bit-amount", "srav takes six bits of rs as its amount.", "n34_srav_test",
         installSixBitAmount<Op::Srav>, unnoticed()},
        // sll by 0 into a register other than $zero is a move, not a nop: the case that expects
        // its value finds the previous case's result in v0.
        {"sll-zero-is-nop", "sll by 0 leaves its destination unwritten, as if it were a nop.",
         "n11_sll_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Sll, [](auto& core, const Instr& i) {
                 if (i.sa != 0) core.setRd(i, core.rt(i) << i.sa);
             });
         },
         failsAt("n11_sll_test", 45)},
    };
    return list;
}

} // namespace coretest::faults
