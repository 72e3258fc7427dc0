// Faults of a multiply/divide unit at its corners: the signs a divider built on magnitudes
// restores, the cases the architecture leaves to the hardware (division by zero, 0x80000000 / -1)
// and the sign correction of a signed multiply built from an unsigned one.
#include <vector>

#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"

namespace coretest::faults {

namespace {

std::uint32_t magnitude(std::uint32_t v) {
    return asSigned(v) < 0 ? 0u - v : v;
}

// Signed division on magnitudes whose result signs are restored by `restore(value, negative)`,
// with the remainder negative when `remainderNegative(dividend, divisor)`; 0 and overflow as
// the real divider.
template <class C, class Restore, class RemainderSign>
void signedFromMagnitudes(C& c, const Instr& i, Restore restore, RemainderSign remainderNegative) {
    const std::uint32_t n = c.rs(i), d = c.rt(i);
    if (d == 0 || (n == 0x80000000u && d == 0xffffffffu)) return realSemantics(c, i);
    const std::uint32_t q = magnitude(n) / magnitude(d), r = magnitude(n) % magnitude(d);
    c.setLo(restore(q, (asSigned(n) < 0) != (asSigned(d) < 0)));
    c.setHi(restore(r, remainderNegative(n, d)));
}

std::uint32_t negateIf(std::uint32_t v, bool negative) {
    return negative ? 0u - v : v;
}

// The remainder takes the quotient's sign (sign of rs xor sign of rt) instead of the dividend's.
void remainderSignOfQuotient(FaultSite& site) {
    site.replace(Op::Div, [](auto& c, const Instr& i) {
        signedFromMagnitudes(c, i, negateIf, [](std::uint32_t n, std::uint32_t d) {
            return (asSigned(n) < 0) != (asSigned(d) < 0);
        });
    });
}

// Negative results are made by inverting the magnitude's bits, without adding one.
void negatesByInverting(FaultSite& site) {
    site.replace(Op::Div, [](auto& c, const Instr& i) {
        signedFromMagnitudes(
            c, i, [](std::uint32_t v, bool negative) { return negative && v ? ~v : v; },
            [](std::uint32_t n, std::uint32_t) { return asSigned(n) < 0; });
    });
}

// Division by zero leaves 0 in LO and HI.
void zeroByZero(FaultSite& site) {
    site.replace({Op::Div, Op::Divu}, [](auto& c, const Instr& i) {
        if (c.rt(i) != 0) return realSemantics(c, i);
        c.setLo(0);
        c.setHi(0);
    });
}

// 0x80000000 / -1 raises the overflow exception, as add would.
void overflowTraps(FaultSite& site) {
    site.replace(Op::Div, [](auto& c, const Instr& i) {
        if (c.rs(i) == 0x80000000u && c.rt(i) == 0xffffffffu)
            c.raise(ExceptionCause::Overflow);
        else
            realSemantics(c, i);
    });
}

// mult as multu with the high word corrected for a negative rs only: a negative rt's correction
// (subtracting rs from HI) is missing.
void multMissesRtCorrection(FaultSite& site) {
    site.replace(Op::Mult, [](auto& c, const Instr& i) {
        const std::uint32_t s = c.rs(i), t = c.rt(i);
        const std::uint64_t product = std::uint64_t{s} * t;
        const std::uint32_t hi =
            static_cast<std::uint32_t>(product >> 32) - (asSigned(s) < 0 ? t : 0);
        c.setLo(static_cast<std::uint32_t>(product));
        c.setHi(hi);
    });
}

// A multiply/divide case compares LO first, then HI: HI is its second comparison.
constexpr int kHi = 2;

} // namespace

std::span<const FaultDef> muldivCorner() {
    static const std::vector<FaultDef> list{
        // Case 2 divides two negative operands: quotient 0, remainder the negative dividend.
        failsInScope("div-remainder-sign-of-quotient",
                     "signed div gives the remainder the quotient's sign (sign of rs xor sign of "
                     "rt) instead of the dividend's",
                     "n44_div_test", remainderSignOfQuotient, 2, kHi),
        // Case 2 divides two negative operands: quotient 0, the remainder the dividend less one.
        failsInScope("div-negates-by-inverting",
                     "signed div makes its negative quotient and remainder by inverting the "
                     "magnitude's bits without adding one",
                     "n44_div_test", negatesByInverting, 2, kHi),
        // The divides of the ROM never have a divisor of 0 nor divide 0x80000000 by -1.
        {"div-by-zero-gives-zero", "div and divu by zero leave 0 in LO and HI", "", zeroByZero,
         unnoticed()},
        {"div-overflow-traps", "div of 0x80000000 by -1 raises the overflow exception", "",
         overflowTraps, unnoticed()},
        failsInScope("mult-misses-rt-sign-correction",
                     "mult builds the signed product from the unsigned one but corrects the high "
                     "word only for a negative rs, not for a negative rt",
                     "n46_mult_test", multMissesRtCorrection, 1, kHi),
    };
    return list;
}

} // namespace coretest::faults
