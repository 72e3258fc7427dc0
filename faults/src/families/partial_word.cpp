// Faults of lwl, lwr, swl and swr: the merge of the aligned word with the register (or of the
// register with the word in memory) at each of the four byte offsets. The first ROM has none of
// these instructions; the second ROM's routines 65 to 68 test every offset and the pairs.
#include <vector>

#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"

namespace coretest::faults {

namespace {

using Merge = std::uint32_t (*)(std::uint32_t, std::uint32_t, unsigned);

enum class Twist : std::uint8_t {
    NoMerge,        // the register's (memory's) old bytes are replaced by zeros
    OffsetReversed, // the byte offset counted from the other end of the word (3 - offset)
};

// A load merge made wrong by `T`.
template <Twist T>
std::uint32_t twisted(Merge merge, std::uint32_t old, std::uint32_t word, unsigned byte) {
    if constexpr (T == Twist::NoMerge)
        return merge(0, word, byte);
    else
        return merge(old, word, 3 - byte);
}

template <Op O, Twist T>
void load(FaultSite& site) {
    site.replace(O, [](auto& c, const Instr& i) {
        const std::uint32_t addr = c.rs(i) + i.imm;
        const Merge merge = O == Op::Lwl ? mergeLeft : mergeRight;
        if (auto w = c.load(addr & ~3u, 4)) c.setRt(i, twisted<T>(merge, c.rt(i), *w, addr & 3));
    });
}

template <Op O, Twist T>
void store(FaultSite& site) {
    site.replace(O, [](auto& c, const Instr& i) {
        const std::uint32_t addr = c.rs(i) + i.imm;
        const Merge merge = O == Op::Swl ? storeLeft : storeRight;
        if (auto w = c.load(addr & ~3u, 4))
            c.store(addr & ~3u, 4, twisted<T>(merge, *w, c.rt(i), addr & 3));
    });
}

// lwl merges as lwr does and lwr as lwl does (their decoding swapped).
void loadsSwapped(FaultSite& site) {
    site.replace(Op::Lwl, [](auto& c, const Instr& i) { loadPartial(c, i, mergeRight); });
    site.replace(Op::Lwr, [](auto& c, const Instr& i) { loadPartial(c, i, mergeLeft); });
}

void storesSwapped(FaultSite& site) {
    site.replace(Op::Swl, [](auto& c, const Instr& i) { storePartial(c, i, storeRight); });
    site.replace(Op::Swr, [](auto& c, const Instr& i) { storePartial(c, i, storeLeft); });
}

} // namespace

std::span<const FaultDef> partialWord() {
    static const std::vector<FaultDef> list{
        {"lwl-no-merge",
         "lwl does not merge: the register's low bytes that it should keep are cleared", "",
         load<Op::Lwl, Twist::NoMerge>, unnoticed()},
        {"lwr-no-merge",
         "lwr does not merge: the register's high bytes that it should keep are cleared", "",
         load<Op::Lwr, Twist::NoMerge>, unnoticed()},
        {"lwl-offset-reversed",
         "lwl merges the bytes of the other end of the word: the byte offset is taken as 3 minus "
         "the address's",
         "", load<Op::Lwl, Twist::OffsetReversed>, unnoticed()},
        {"lwr-offset-reversed",
         "lwr merges the bytes of the other end of the word: the byte offset is taken as 3 minus "
         "the address's",
         "", load<Op::Lwr, Twist::OffsetReversed>, unnoticed()},
        {"lwl-lwr-swapped", "lwl merges as lwr does and lwr as lwl does", "", loadsSwapped,
         unnoticed()},
        {"swl-no-merge", "swl writes the whole word: the memory bytes it should keep are cleared",
         "", store<Op::Swl, Twist::NoMerge>, unnoticed()},
        {"swr-no-merge", "swr writes the whole word: the memory bytes it should keep are cleared",
         "", store<Op::Swr, Twist::NoMerge>, unnoticed()},
        {"swl-offset-reversed",
         "swl writes the bytes of the other end of the word: the byte offset is taken as 3 minus "
         "the address's",
         "", store<Op::Swl, Twist::OffsetReversed>, unnoticed()},
        {"swr-offset-reversed",
         "swr writes the bytes of the other end of the word: the byte offset is taken as 3 minus "
         "the address's",
         "", store<Op::Swr, Twist::OffsetReversed>, unnoticed()},
        {"swl-swr-swapped", "swl writes as swr does and swr as swl does", "", storesSwapped,
         unnoticed()},
    };
    return list;
}

} // namespace coretest::faults
