// Datapath faults that a pair of related instructions share, acting wherever they execute: the
// fill of the arithmetic shifts, the signedness of the compares, the byte lanes of the partial
// stores.
#include <vector>

#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"

namespace coretest::faults {

namespace {

void arithmeticShiftsFillZeros(FaultSite& site) {
    site.replace(Op::Sra, [](auto& c, const Instr& i) { c.setRd(i, c.rt(i) >> i.sa); });
    site.replace(Op::Srav, [](auto& c, const Instr& i) { c.setRd(i, c.rt(i) >> (c.rs(i) & 31)); });
}

void signedComparesUnsigned(FaultSite& site) {
    site.replace(Op::Slt, [](auto& c, const Instr& i) { c.setRd(i, c.rs(i) < c.rt(i)); });
    site.replace(Op::Slti, [](auto& c, const Instr& i) { c.setRt(i, c.rs(i) < i.imm); });
}

// sb and sh write the aligned word that holds them: their byte or halfword in its lane, zeros in
// the others. A misaligned sh still raises the address error.
template <unsigned Size>
void wholeWordStore(FaultSite& site) {
    site.replace(Size == 1 ? Op::Sb : Op::Sh, [](auto& c, const Instr& i) {
        const std::uint32_t addr = c.rs(i) + i.imm;
        if (addr & (Size - 1)) return c.raise(ExceptionCause::AddressStore, addr);
        const std::uint32_t value = c.rt(i) & (Size == 1 ? 0xffu : 0xffffu);
        c.store(addr & ~3u, 4, value << (8 * (addr & 3)));
    });
}

void partialStoresWriteWholeWords(FaultSite& site) {
    wholeWordStore<1>(site);
    wholeWordStore<2>(site);
}

} // namespace

std::span<const FaultDef> datapath() {
    static const std::vector<FaultDef> list{
        {"sra-srav-zero-fill", "sra and srav shift in zeros, like srl and srlv", "n33_sra_test",
         arithmeticShiftsFillZeros, failsAt("n33_sra_test", 4)},
        {"slt-slti-compare-unsigned", "slt and slti compare unsigned, like sltu and sltiu",
         "n8_slt_test", signedComparesUnsigned, failsAt("n8_slt_test", 3)},
        // The ROM makes aligned word accesses only.
        {"sb-sh-write-whole-word",
         "sb and sh write the whole aligned word: the byte or halfword in its lane, zeros in the "
         "other lanes",
         "", partialStoresWriteWholeWords, unnoticed()},
    };
    return list;
}

} // namespace coretest::faults
