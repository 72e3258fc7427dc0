// Faults of the loads and stores.
#include <vector>

#include "coretest/board.h"
#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"

namespace coretest::faults {

namespace {

// Effective address with the 16-bit displacement zero-extended: 0x10000 higher than it should be
// whenever the displacement is negative, as it is in every long-offset access.
template <class C>
std::uint32_t zeroExtendedAddress(const C& c, const Instr& i) {
    return c.rs(i) + (i.imm & 0xffff);
}

template <class C>
void loadZeroExtended(C& c, const Instr& i) {
    if (auto v = c.load(zeroExtendedAddress(c, i), 4)) c.setRt(i, *v);
}

template <class C>
void storeZeroExtended(C& c, const Instr& i) {
    c.store(zeroExtendedAddress(c, i), 4, c.rt(i));
}

// Both lw and sw zero-extend the displacement, so a case's store and load agree.
void zeroExtendBoth(FaultSite& site) {
    site.replace(Op::Lw, [](auto& c, const Instr& i) { loadZeroExtended(c, i); });
    site.replace(Op::Sw, [](auto& c, const Instr& i) { storeZeroExtended(c, i); });
}

// The same on a board whose RAM repeats every 256 KiB: every wrong address is writable RAM.
template <class C>
std::uint32_t mirrored(const C& c, const Instr& i) {
    const std::uint32_t a = zeroExtendedAddress(c, i);
    return a - kRamBase < 2 * kRamSize ? kRamBase + (a - kRamBase) % kRamSize : a;
}
void zeroExtendBothInMirror(FaultSite& site) {
    site.replace(Op::Lw, [](auto& c, const Instr& i) {
        if (auto v = c.load(mirrored(c, i), 4)) c.setRt(i, *v);
    });
    site.replace(Op::Sw, [](auto& c, const Instr& i) { c.store(mirrored(c, i), 4, c.rt(i)); });
}

// A RAM write also lands on the word `delta` bytes away (the board registers are not RAM and
// keep their own decoding).
template <int delta>
void alsoWrite(FaultSite& site) {
    site.replace(Op::Sw, [](auto& c, const Instr& i) {
        realSemantics(c, i);
        const std::uint32_t neighbour = c.rs(i) + i.imm + static_cast<std::uint32_t>(delta);
        if (neighbour - kRamBase < kRamSize) c.store(neighbour, 4, c.rt(i));
    });
}

// A chained load whose base came from a word the case did not manage to write reads outside the
// RAM: the bus error stops the run in that case, before its comparison.
Expected busErrorAt(std::string_view routine, int caseIndex) {
    return {ExpectedKind::ExceptionIdle, {{routine, caseIndex, 0}}};
}

// Where a zero-extended long offset first leaves the 256 KiB RAM: the first long offset at the
// fixed base 0x80030000. The scattered cases before it keep the wrong address in RAM, where the
// store and the load of a case meet and nothing shows.
constexpr int kLwFirstFixedLong = 24;
constexpr int kSwFirstFixedLong = 33;
// First long-offset cases of the two routines.
constexpr int kLwFirstLong = 8;
constexpr int kSwFirstLong = 4;
// The zero-data cases, the last of each routine.
constexpr int kSwZeroData = 69;

} // namespace

std::span<const FaultDef> memory() {
    static const std::vector<FaultDef> list{
        {"sw-keeps-old-word",
         "sw is not performed: every word keeps its old value, the neighbour words too, so the "
         "first case's chain loads from a base of 0",
         "n12_sw_test", [](FaultSite& site) { site.replace(Op::Sw, [](auto&, const Instr&) {}); },
         busErrorAt("n12_sw_test", 1)},
        {"sw-zero-keeps-old-word",
         "a sw of the value 0 is not performed: the word keeps the non-zero value the case before "
         "left there",
         "n12_sw_test",
         [](FaultSite& site) {
             site.replace(Op::Sw, [](auto& c, const Instr& i) {
                 if (c.rt(i) != 0) realSemantics(c, i);
             });
         },
         failsAt("n12_sw_test", kSwZeroData)},
        {"sw-also-writes-word-above",
         "a RAM store also writes the word 4 bytes above: the lower neighbour store overwrites the "
         "word under test",
         "n12_sw_test", alsoWrite<4>, failsAt("n12_sw_test", 1)},
        {"sw-also-writes-word-below",
         "a RAM store also writes the word 4 bytes below: the upper neighbour store overwrites the "
         "word under test",
         "n6_lw_test", alsoWrite<-4>, failsAt("n6_lw_test", 1)},
        {"offset-zero-extended-lw",
         "lw and sw zero-extend the displacement: unnoticed while the address 0x10000 higher is "
         "RAM, a bus error at the first long offset from the fixed base",
         "n6_lw_test", zeroExtendBoth, busErrorAt("n6_lw_test", kLwFirstFixedLong)},
        {"offset-zero-extended-sw",
         "lw and sw zero-extend the displacement: unnoticed while the address 0x10000 higher is "
         "RAM, a bus error at the first long offset from the fixed base",
         "n12_sw_test", zeroExtendBoth, busErrorAt("n12_sw_test", kSwFirstFixedLong)},
        {"offset-zero-extended-mirrored-lw",
         "lw and sw zero-extend the displacement on a board whose RAM repeats every 256 KiB: every "
         "wrong address is RAM, where the store and the load of a case meet",
         "n6_lw_test", zeroExtendBothInMirror, unnoticed()},
        {"offset-zero-extended-mirrored-sw",
         "lw and sw zero-extend the displacement on a board whose RAM repeats every 256 KiB: every "
         "wrong address is RAM, where the store and the load of a case meet",
         "n12_sw_test", zeroExtendBothInMirror, unnoticed()},
        {"lw-offset-zero-extended",
         "lw alone zero-extends the displacement: a long-offset load reads 0x10000 above the "
         "words stored, and the chain then loads from a base of 0",
         "n6_lw_test",
         [](FaultSite& site) {
             site.replace(Op::Lw, [](auto& c, const Instr& i) { loadZeroExtended(c, i); });
         },
         busErrorAt("n6_lw_test", kLwFirstLong)},
        {"sw-offset-zero-extended",
         "sw alone zero-extends the displacement: a long-offset store writes 0x10000 above the "
         "words read, and the chain then loads from a base of 0",
         "n12_sw_test",
         [](FaultSite& site) {
             site.replace(Op::Sw, [](auto& c, const Instr& i) { storeZeroExtended(c, i); });
         },
         busErrorAt("n12_sw_test", kSwFirstLong)},
    };
    return list;
}

} // namespace coretest::faults
