// What every HI/LO move, multiply/divide and load/store routine must show as the generator
// writes it: its cases by instruction count and the routine size they add up to, every counted
// property of the report met, and the same text every build and as committed; and the
// instruction counts of single template invocations, the constant shapes each form takes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mem_routines.h"
#include "mem_support.h"
#include "unit_checks.h"

namespace coretest_gen_test {
namespace {

class DataRoutine : public ::testing::TestWithParam<DataUnit> {};

TEST_P(DataRoutine, InstructionsPerCase) {
    const DataUnit& d = GetParam();
    expectInstructionsPerCase(d.unit, d.include, d.macro, d.lengths);
}

TEST_P(DataRoutine, CommittedAndDeterministic) {
    const casegen::Unit u = unitNamed(GetParam().unit);
    gen_test::expectCommittedAndDeterministic(u);
    gen_test::expectReportMet(u);
}

INSTANTIATE_TEST_SUITE_P(DataUnits, DataRoutine, ::testing::ValuesIn(dataUnits()),
                         [](const auto& info) { return info.param.unit; });

TEST(DataTemplates, InstructionCounts) {
    const struct {
        const char* include;
        std::vector<TemplateWords> rows;
    } table[] = {
        {"hilo.inc",
         {
             {"hilo_case hi, 0x12345678", 8},
             {"hilo_case lo, 0x12345678", 8},
             {"hilo_case lo, 0x08fc0000", 6},
             {"hilo_case hi, 0x00000000", 6},
         }},
        {"muldiv.inc",
         {
             {"muldiv_case mult, 0x12345678, 0x23456789, 0x34567891, 0x45678912", 15},
             {"muldiv_case multu, 0x12340000, 0x23456789, 0x34567891, 0x45678912", 14},
             {"muldiv_case div, 0x00000002, 0x23456789, 0x34567891, 0x45678912", 14},
             {"muldiv_case divu, 0xffffffcd, 0x23456789, 0x34567891, 0x45678912", 14},
             {"muldiv_case div, 0x00000000, 0x00000000, 0x00000000, 0x45678912", 12},
             {"muldiv_case mult, 0x00000000, 0x00000000, 0x34567891, 0x00000000", 12},
             {"muldiv_case multu, 0x00000000, 0x00000000, 0x00000000, 0x00000000", 11},
         }},
        // The two forms of the load/store template and the shapes of their constants.
        {"memory.inc",
         {
             {"lw_case 0x12345678, 0x80021234, 0x0100", 17}, // short offset
             {"lw_case 0x12345678, 0x80030000, 0x0100", 16}, // base with a zero low half
             {"lw_case 0, 0x80030000, 0", 14},               // zero data
             {"lw_case 0x12345678, 0x80021234, 0x8000", 31}, // long offset
             {"lw_case 0x12345678, 0x80030000, 0xfffc", 30},
             {"lw_case 0x12345678, 0x80021234, 0x7ffc", 17}, // the last short offset
             {"sw_case 0x12345678, 0x80021234, 0x0100", 17},
             {"sw_case 0x12345678, 0x80030000, 0x0100", 16},
             {"sw_case 0, 0x80030000, 0", 14},
             {"sw_case 0x12345678, 0x80021234, 0x8000", 31},
             {"sw_case 0x12345678, 0x80030000, 0xfffc", 30},
         }},
    };
    for (const auto& t : table) {
        SCOPED_TRACE(t.include);
        expectTemplateWords(t.include, t.rows);
    }
}

} // namespace
} // namespace coretest_gen_test
