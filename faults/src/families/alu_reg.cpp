// Faults of the register-register ALU instructions.
#include <vector>

#include "alu_sites.h"
#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"

namespace coretest::faults {

std::span<const FaultDef> aluReg() {
    static const std::vector<FaultDef> list{
        {"addu-traps-overflow",
         "addu raises the overflow exception on signed overflow, like add.",
         "n2_addu_test",
         [](FaultSite& site) {
             site.replace(Op::Addu, [](auto& core, const Instr& i) {
                 writeChecked(core, i.rd, addOverflows(core.rs(i), core.rt(i)),
                              core.rs(i) + core.rt(i));
             });
         },
         {ExpectedKind::ExceptionIdle, {{"n2_addu_test", 2, 0}}}},
        {"subu-traps-overflow",
         "subu raises the overflow exception on signed overflow, like sub.",
         "n24_subu_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Subu, [](auto& core, const Instr& i) {
                 writeChecked(core, i.rd, subOverflows(core.rs(i), core.rt(i)),
                              core.rs(i) - core.rt(i));
             });
         },
         {ExpectedKind::ExceptionIdle, {{"n24_subu_test", 1, 0}}}},
        {"add-ignores-overflow", "add wraps on signed overflow like addu instead of trapping.",
         "n21_add_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Add, [](auto& core, const Instr& i) {
                 core.setRd(i, core.rs(i) + core.rt(i));
             });
         },
         unnoticed()},
        {"sub-ignores-overflow", "sub wraps on signed overflow like subu instead of trapping.",
         "n23_sub_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Sub, [](auto& core, const Instr& i) {
                 core.setRd(i, core.rs(i) - core.rt(i));
             });
         },
         unnoticed()},
        {"slt-compares-unsigned", "slt compares its operands as unsigned words, like sltu.",
         "n8_slt_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Slt, [](auto& core, const Instr& i) {
                 core.setRd(i, core.rs(i) < core.rt(i));
             });
         },
         failsAt("n8_slt_test", 3)},
        {"sltu-compares-signed", "sltu compares its operands as signed words, like slt.",
         "n25_sltu_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Sltu, [](auto& core, const Instr& i) {
                 core.setRd(i, asSigned(core.rs(i)) < asSigned(core.rt(i)));
             });
         },
         failsAt("n25_sltu_test", 2)},
        {"alu-swaps-rs-rt",
         "The register-register ALU instructions take rt as their first operand and rs as their "
         "second.",
         "",
         [](FaultSite& site) {
             site.replace({Op::Add, Op::Addu, Op::Sub, Op::Subu, Op::And, Op::Or, Op::Xor, Op::Nor,
                           Op::Slt, Op::Sltu},
                          [](auto& core, const Instr& i) {
                              Instr swapped = i;
                              swapped.rs = i.rt;
                              swapped.rt = i.rs;
                              realSemantics(core, swapped);
                          });
         },
         {ExpectedKind::Fails,
          {{"n8_slt_test", 1, 1},
           {"n23_sub_test", 1, 1},
           {"n24_subu_test", 1, 1},
           {"n25_sltu_test", 1, 1}}}},
        {"nor-of-zeros-is-zero", "nor gives 0 instead of all ones when both operands are 0.",
         "n28_nor_test",
         [](FaultSite& site) {
             replaceUnderTest(site, Op::Nor, [](auto& core, const Instr& i) {
                 const std::uint32_t either = core.rs(i) | core.rt(i);
                 core.setRd(i, either ? ~either : 0);
             });
         },
         failsAt("n28_nor_test", 301)},
    };
    return list;
}

} // namespace coretest::faults
