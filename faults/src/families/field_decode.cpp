// Faults of register-field decoding: an instruction class that takes its register or shift
// amount from the wrong bits of the word.
#include <vector>

#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"

namespace coretest::faults {

namespace {

// i with its fields rearranged, executed by the real semantics.
template <class C, class Rewire>
void rewired(C& c, const Instr& i, Rewire rewire) {
    Instr wrong = i;
    rewire(wrong);
    realSemantics(c, wrong);
}

// mthi and mtlo read the register in bits 20-16 (rt, always 0 in these words).
void moveToHiLoReadsRt(FaultSite& site) {
    site.replace({Op::Mthi, Op::Mtlo},
                 [](auto& c, const Instr& i) { rewired(c, i, [](Instr& w) { w.rs = w.rt; }); });
}

// The register-register ALU instructions write rt instead of rd.
void registerAluWritesRt(FaultSite& site) {
    site.replace({Op::Add, Op::Addu, Op::Sub, Op::Subu, Op::And, Op::Or, Op::Xor, Op::Nor, Op::Slt,
                  Op::Sltu},
                 [](auto& c, const Instr& i) { rewired(c, i, [](Instr& w) { w.rd = w.rt; }); });
}

// The immediate ALU instructions write the register named by bits 15-11 (where a
// register-register instruction keeps rd) instead of rt.
void immediateAluWritesRd(FaultSite& site) {
    site.replace({Op::Addi, Op::Addiu, Op::Slti, Op::Sltiu, Op::Andi, Op::Ori, Op::Xori},
                 [](auto& c, const Instr& i) { rewired(c, i, [](Instr& w) { w.rt = w.rd; }); });
}

// sll, srl and sra shift by bits 25-21 (rs, always 0 in these words) instead of by sa.
void shiftAmountFromRs(FaultSite& site) {
    site.replace({Op::Sll, Op::Srl, Op::Sra},
                 [](auto& c, const Instr& i) { rewired(c, i, [](Instr& w) { w.sa = w.rs; }); });
}

} // namespace

std::span<const FaultDef> fieldDecode() {
    static const std::vector<FaultDef> list{
        {"mthi-mtlo-read-rt", "mthi and mtlo take register rt (bits 20-16) instead of rs",
         "n48_mfhi_test", moveToHiLoReadsRt, failsAt("n48_mfhi_test", 1)},
        {"alu-reg-writes-rt",
         "the register-register ALU instructions write rt (bits 20-16) instead of rd", "",
         registerAluWritesRt, exceptionIdle("n6_lw_test", 8)},
        {"alu-imm-writes-rd",
         "the immediate ALU instructions write the register of bits 15-11 instead of rt", "",
         immediateAluWritesRd, exceptionIdle()},
        {"shift-amount-from-rs-field",
         "sll, srl and sra shift by bits 25-21 (the rs field, 0) instead of by the sa field", "",
         shiftAmountFromRs,
         failsIn({{"n11_sll_test", 1, 1}, {"n33_sra_test", 1, 1}, {"n35_srl_test", 1, 1}})},
    };
    return list;
}

} // namespace coretest::faults
