// A bit of the ALU's result, or of the immediate extender's output, stuck at 0 or 1, in every
// arithmetic and logic instruction of the core (lui and the operand loads of every case too: they
// are ALU instructions like the rest). A few chosen bits: the lowest and highest of the result,
// and of the extended immediate the lowest and highest of its extended upper half.
#include <vector>

#include "core_view.h"
#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"

namespace coretest::faults {

namespace {

template <unsigned Bit, bool One>
std::uint32_t stuck(std::uint32_t v) {
    constexpr std::uint32_t mask = 1u << Bit;
    return One ? v | mask : v & ~mask;
}

// The core, with every register write of the instruction forced through the stuck bit.
template <class C, unsigned Bit, bool One>
class StuckResult : public CoreView<C, StuckResult<C, Bit, One>> {
  public:
    using CoreView<C, StuckResult>::CoreView;
    void setReg(unsigned r, std::uint32_t v) { this->c_.setReg(r, stuck<Bit, One>(v)); }
};

constexpr std::initializer_list<Op> kAluOps{
    Op::Add,  Op::Addu, Op::Sub,   Op::Subu, Op::And,   Op::Or,   Op::Xor, Op::Nor,  Op::Slt,
    Op::Sltu, Op::Addi, Op::Addiu, Op::Slti, Op::Sltiu, Op::Andi, Op::Ori, Op::Xori, Op::Lui};

template <unsigned Bit, bool One>
void stuckResultBit(FaultSite& site) {
    site.replace(kAluOps, [](auto& c, const Instr& i) {
        StuckResult<std::remove_reference_t<decltype(c)>, Bit, One> view(c);
        realSemantics(view, i);
    });
}

// The immediate forms see their extended immediate with the bit stuck (lui's shifted immediate
// comes from another path and keeps its value).
template <unsigned Bit, bool One>
void stuckImmediateBit(FaultSite& site) {
    site.replace({Op::Addi, Op::Addiu, Op::Slti, Op::Sltiu, Op::Andi, Op::Ori, Op::Xori},
                 [](auto& c, const Instr& i) {
                     Instr wrong = i;
                     wrong.imm = stuck<Bit, One>(i.imm);
                     realSemantics(c, wrong);
                 });
}

} // namespace

std::span<const FaultDef> stuckBits() {
    static const std::vector<FaultDef> list{
        {"alu-result-bit0-stuck-1", "bit 0 of every ALU result is 1", "", stuckResultBit<0, true>,
         exceptionIdle()},
        {"alu-result-bit31-stuck-0", "bit 31 of every ALU result is 0", "",
         stuckResultBit<31, false>, exceptionIdle()},
        {"imm-ext-bit16-stuck-0",
         "bit 16 of every extended immediate is 0: negative immediates lose it", "",
         stuckImmediateBit<16, false>, exceptionIdle()},
        {"imm-ext-bit16-stuck-1",
         "bit 16 of every extended immediate is 1: non-negative immediates gain it", "",
         stuckImmediateBit<16, true>, exceptionIdle("n6_lw_test", 1)},
        {"imm-ext-bit31-stuck-0", "bit 31 of every extended immediate is 0", "",
         stuckImmediateBit<31, false>, exceptionIdle()},
    };
    return list;
}

} // namespace coretest::faults
