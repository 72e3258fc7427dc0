// Faults of the byte and halfword loads and stores: the lane a load reads or a store writes, and
// the extension of the loaded value. The first ROM makes word accesses only; the second ROM's
// routines 59 to 64 test every lane and both extensions.
#include <vector>

#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"

namespace coretest::faults {

namespace {

// The load of `Size` bytes reads the lane at its address with `Flip` toggled (the other byte of
// the halfword, the other halfword of the word, or the lane counted from the other end). The
// alignment is checked on the true address, so a misaligned load still raises the address error
// with it.
template <Op O, unsigned Size, std::uint32_t Flip, bool Signed>
void loadLane(FaultSite& site) {
    site.replace(O, [](auto& c, const Instr& i) {
        const std::uint32_t addr = c.rs(i) + i.imm;
        if (addr & (Size - 1)) return c.raise(ExceptionCause::AddressLoad, addr);
        if (auto v = c.load(addr ^ Flip, Size)) {
            if constexpr (!Signed)
                c.setRt(i, *v);
            else
                c.setRt(i, Size == 1 ? signExtend8(*v) : signExtend16(*v));
        }
    });
}

// The store of `Size` bytes writes the lane at its address with `Flip` toggled.
template <Op O, unsigned Size, std::uint32_t Flip>
void storeLane(FaultSite& site) {
    site.replace(O, [](auto& c, const Instr& i) {
        const std::uint32_t addr = c.rs(i) + i.imm;
        if (addr & (Size - 1)) return c.raise(ExceptionCause::AddressStore, addr);
        c.store(addr ^ Flip, Size, c.rt(i) & (Size == 1 ? 0xffu : 0xffffu));
    });
}

// Every sub-word access numbers its lanes from the other end of the word, as a big-endian bus
// does: a byte and a halfword stored are read back from their own address as stored, but a word
// written by sw reads in the wrong order, and a store lands in the wrong lane of a word read by lw.
void lanesReversed(FaultSite& site) {
    loadLane<Op::Lb, 1, 3, true>(site);
    loadLane<Op::Lbu, 1, 3, false>(site);
    loadLane<Op::Lh, 2, 2, true>(site);
    loadLane<Op::Lhu, 2, 2, false>(site);
    storeLane<Op::Sb, 1, 3>(site);
    storeLane<Op::Sh, 2, 2>(site);
}

// The load reads its lane but extends it the other way.
template <Op O, unsigned Size, bool Signed>
void extension(FaultSite& site) {
    loadLane<O, Size, 0, Signed>(site);
}

} // namespace

std::span<const FaultDef> subword() {
    static const std::vector<FaultDef> list{
        {"lb-wrong-lane",
         "lb reads the other byte of the addressed halfword (address bit 0 inverted)", "",
         loadLane<Op::Lb, 1, 1, true>, unnoticed()},
        {"lbu-wrong-lane",
         "lbu reads the other byte of the addressed halfword (address bit 0 inverted)", "",
         loadLane<Op::Lbu, 1, 1, false>, unnoticed()},
        {"lh-wrong-lane", "lh reads the other halfword of the word (address bit 1 inverted)", "",
         loadLane<Op::Lh, 2, 2, true>, unnoticed()},
        {"lhu-wrong-lane", "lhu reads the other halfword of the word (address bit 1 inverted)", "",
         loadLane<Op::Lhu, 2, 2, false>, unnoticed()},
        {"sb-wrong-lane",
         "sb writes the other byte of the addressed halfword (address bit 0 inverted)", "",
         storeLane<Op::Sb, 1, 1>, unnoticed()},
        {"sh-wrong-lane", "sh writes the other halfword of the word (address bit 1 inverted)", "",
         storeLane<Op::Sh, 2, 2>, unnoticed()},
        {"sub-word-lanes-reversed",
         "lb, lbu, lh, lhu, sb and sh number the lanes from the other end of the word (big-endian "
         "lanes): a sub-word store and a load of the same address agree, words written or read by "
         "lw and sw do not",
         "", lanesReversed, unnoticed()},
        {"lb-zero-extends", "lb zero-extends the byte, like lbu", "", extension<Op::Lb, 1, false>,
         unnoticed()},
        {"lh-zero-extends", "lh zero-extends the halfword, like lhu", "",
         extension<Op::Lh, 2, false>, unnoticed()},
        {"lbu-sign-extends", "lbu sign-extends the byte, like lb", "", extension<Op::Lbu, 1, true>,
         unnoticed()},
        {"lhu-sign-extends", "lhu sign-extends the halfword, like lh", "",
         extension<Op::Lhu, 2, true>, unnoticed()},
    };
    return list;
}

} // namespace coretest::faults
