// Faults of multiply and divide.
#include <string_view>
#include <vector>

#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"

namespace coretest::faults {

namespace {

// LO and HI comparisons within a multiply/divide case.
constexpr int kLoCompare = 1;
constexpr int kHiCompare = 2;

// Signed division rounded toward minus infinity: the remainder takes the divisor's sign.
void divRoundsDown(FaultSite& site) {
    site.replace(Op::Div, [](auto& c, const Instr& i) {
        realSemantics(c, i);
        const std::uint32_t d = c.rt(i), r = c.hi();
        if (r != 0 && (asSigned(r) < 0) != (asSigned(d) < 0)) {
            c.setLo(c.lo() - 1);
            c.setHi(r + d);
        }
    });
}

// The result words of `op` land in the wrong registers.
template <Op op>
void swapHiLo(FaultSite& site) {
    site.replace(op, [](auto& c, const Instr& i) {
        realSemantics(c, i);
        const std::uint32_t lo = c.lo(), hi = c.hi();
        c.setLo(hi);
        c.setHi(lo);
    });
}

// No interlock on HI/LO: a multiply or divide delivers its result only `kLatency` instructions
// after it starts, and mfhi/mflo before then read what HI and LO held. The scratch keeps the
// pending result: [0] LO, [1] HI, [2] 1 while pending, [3] the instruction count when it lands.
constexpr std::uint32_t kLatency = 12;
enum Pending { kLo, kHi, kBusy, kReady };

template <class C>
void landIfReady(C& c) {
    FaultScratch& s = c.scratch();
    if (s[kBusy] && c.instructions() >= s[kReady]) {
        c.setLo(s[kLo]);
        c.setHi(s[kHi]);
        s[kBusy] = 0;
    }
}

// Only `op` is late. The moves land what is pending; the other multiplies and divides, on time,
// replace it.
template <Op op>
void noHiLoInterlock(FaultSite& site) {
    site.replace({Op::Mult, Op::Multu, Op::Div, Op::Divu}, [](auto& c, const Instr& i) {
        c.scratch()[kBusy] = 0;
        realSemantics(c, i);
    });
    site.replace(op, [](auto& c, const Instr& i) {
        landIfReady(c);
        const std::uint32_t lo = c.lo(), hi = c.hi();
        realSemantics(c, i);
        FaultScratch& s = c.scratch();
        s[kLo] = c.lo();
        s[kHi] = c.hi();
        s[kBusy] = 1;
        s[kReady] = static_cast<std::uint32_t>(c.instructions()) + kLatency;
        c.setLo(lo);
        c.setHi(hi);
    });
    site.replace({Op::Mfhi, Op::Mflo, Op::Mthi, Op::Mtlo}, [](auto& c, const Instr& i) {
        landIfReady(c);
        realSemantics(c, i);
    });
}

} // namespace

std::span<const FaultDef> muldiv() {
    static const std::vector<FaultDef> list{
        failsInScope("div-rounds-down",
                     "div rounds the quotient toward minus infinity, so the remainder takes the "
                     "divisor's sign",
                     "n44_div_test", divRoundsDown, 4, kLoCompare),
        {"mult-unsigned", "mult multiplies its operands as unsigned values, like multu",
         "n46_mult_test",
         [](FaultSite& site) {
             site.replace(Op::Mult, [](auto& c, const Instr& i) {
                 multiply(c, std::uint64_t{c.rs(i)} * c.rt(i));
             });
         },
         failsAt("n46_mult_test", 1, kHiCompare)},
        {"multu-signed", "multu multiplies its operands as signed values, like mult",
         "n47_multu_test",
         [](FaultSite& site) {
             site.replace(Op::Multu, [](auto& c, const Instr& i) {
                 multiply(c, static_cast<std::uint64_t>(std::int64_t{asSigned(c.rs(i))} *
                                                        asSigned(c.rt(i))));
             });
         },
         failsAt("n47_multu_test", 1, kHiCompare)},
        failsInScope("hi-lo-swapped-div", "div writes the quotient to HI and the remainder to LO",
                     "n44_div_test", swapHiLo<Op::Div>, 1, kLoCompare),
        failsInScope("hi-lo-swapped-divu", "divu writes the quotient to HI and the remainder to LO",
                     "n45_divu_test", swapHiLo<Op::Divu>, 1, kLoCompare),
        failsInScope("hi-lo-swapped-mult",
                     "mult writes the high product word to LO and the low one to HI",
                     "n46_mult_test", swapHiLo<Op::Mult>, 1, kLoCompare),
        failsInScope("hi-lo-swapped-multu",
                     "multu writes the high product word to LO and the low one to HI",
                     "n47_multu_test", swapHiLo<Op::Multu>, 1, kLoCompare),
        // Before each routine HI and LO hold 0 (nothing earlier, or the previous routine's last,
        // zero-operand case): only divu's first case expects LO 0 and fails at HI.
        failsInScope("no-hilo-interlock-div",
                     "mflo and mfhi do not wait for div: read straight after it they return the "
                     "old LO and HI",
                     "n44_div_test", noHiLoInterlock<Op::Div>, 1, kLoCompare),
        failsInScope("no-hilo-interlock-divu",
                     "mflo and mfhi do not wait for divu: read straight after it they return the "
                     "old LO and HI",
                     "n45_divu_test", noHiLoInterlock<Op::Divu>, 1, kHiCompare),
        failsInScope("no-hilo-interlock-mult",
                     "mflo and mfhi do not wait for mult: read straight after it they return the "
                     "old LO and HI",
                     "n46_mult_test", noHiLoInterlock<Op::Mult>, 1, kLoCompare),
        failsInScope("no-hilo-interlock-multu",
                     "mflo and mfhi do not wait for multu: read straight after it they return the "
                     "old LO and HI",
                     "n47_multu_test", noHiLoInterlock<Op::Multu>, 1, kLoCompare),
    };
    return list;
}

} // namespace coretest::faults
