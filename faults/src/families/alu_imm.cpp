// Faults of the immediate ALU instructions: the immediate widened the wrong way, the compares
// done with the wrong signedness, addi without its overflow trap. Each acts on the instruction
// under test of the cases; addiu and ori also load the constants of every case, and a wrong
// widening there would change operand and expected value alike.
#include <vector>

#include "alu_sites.h"
#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"

namespace coretest::faults {
namespace {

// The immediate as the decoder widens it for each operation, and the other way.
std::uint32_t zeroExtended(const Instr& i) {
    return i.imm & 0xffff;
}
std::uint32_t signExtended(const Instr& i) {
    return signExtend16(i.imm);
}

} // namespace

std::span<const FaultDef> aluImm() {
    static const std::vector<FaultDef> list{
        {"addiu-zero-extends", "addiu zero-extends its immediate.", "n3_addiu_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Addiu, [](auto& core, const Instr& i) {
                 core.setRt(i, core.rs(i) + zeroExtended(i));
             });
         },
         failsAt("n3_addiu_test", 1)},
        {"addi-zero-extends", "addi zero-extends its immediate.", "n22_addi_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Addi, [](auto& core, const Instr& i) {
                 writeChecked(core, i.rt, addOverflows(core.rs(i), zeroExtended(i)),
                              core.rs(i) + zeroExtended(i));
             });
         },
         failsAt("n22_addi_test", 1)},
        {"addi-ignores-overflow", "addi wraps on signed overflow like addiu instead of trapping.",
         "n22_addi_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Addi, [](auto& core, const Instr& i) {
                 core.setRt(i, core.rs(i) + i.imm);
             });
         },
         unnoticed()},
        {"slti-zero-extends", "slti zero-extends its immediate.", "n9_slti_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Slti, [](auto& core, const Instr& i) {
                 core.setRt(i, asSigned(core.rs(i)) < asSigned(zeroExtended(i)));
             });
         },
         failsAt("n9_slti_test", 253)},
        {"slti-compares-unsigned", "slti compares unsigned, like sltiu.", "n9_slti_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Slti, [](auto& core, const Instr& i) {
                 core.setRt(i, core.rs(i) < i.imm);
             });
         },
         failsAt("n9_slti_test", 1)},
        {"sltiu-zero-extends", "sltiu zero-extends its immediate before the unsigned compare.",
         "n10_sltiu_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Sltiu, [](auto& core, const Instr& i) {
                 core.setRt(i, core.rs(i) < zeroExtended(i));
             });
         },
         failsAt("n10_sltiu_test", 1)},
        {"sltiu-compares-signed", "sltiu compares signed, like slti.", "n10_sltiu_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Sltiu, [](auto& core, const Instr& i) {
                 core.setRt(i, asSigned(core.rs(i)) < asSigned(i.imm));
             });
         },
         failsAt("n10_sltiu_test", 7)},
        {"andi-sign-extends", "andi sign-extends its immediate.", "n27_andi_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Andi, [](auto& core, const Instr& i) {
                 core.setRt(i, core.rs(i) & signExtended(i));
             });
         },
         failsAt("n27_andi_test", 3)},
        {"ori-sign-extends", "ori sign-extends its immediate.", "n29_ori_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Ori, [](auto& core, const Instr& i) {
                 core.setRt(i, core.rs(i) | signExtended(i));
             });
         },
         failsAt("n29_ori_test", 2)},
        {"xori-sign-extends", "xori sign-extends its immediate.", "n31_xori_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Xori, [](auto& core, const Instr& i) {
                 core.setRt(i, core.rs(i) ^ signExtended(i));
             });
         },
         failsAt("n31_xori_test", 2)},
    };
    return list;
}

} // namespace coretest::faults
