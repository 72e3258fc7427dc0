// A fault named for one instruction acts on that instruction alone when it is run on the whole
// ROM: it fails the routines that execute that instruction and no other.
#include <gtest/gtest.h>

#include "coretest/catalogue.h"
#include "coretest/outcomes.h"
#include "coretest/routine_reports.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom;
using coretest_test::romMap;

struct WholeRomCase {
    std::string_view fault;
    std::vector<std::string_view> failing; // every routine that reports it, in run order
};

class WholeRom : public ::testing::TestWithParam<WholeRomCase> {};

TEST_P(WholeRom, FailsOnlyWhereItsInstructionRuns) {
    const WholeRomCase& c = GetParam();
    const FaultDef* fault = findFault(c.fault);
    ASSERT_NE(fault, nullptr) << c.fault;
    RunOptions options;
    options.switchValue = 1;
    options.instructionLimit = 20'000'000;
    options.faults.push_back({fault, ""});
    const Observed observed = observe(diagnose(rom(), romMap(), options));
    ASSERT_EQ(observed.kind, ExpectedKind::Fails) << describe(observed);
    std::vector<std::string_view> routines;
    for (const ObservedFailure& f : observed.failures)
        routines.push_back(f.routine);
    EXPECT_EQ(routines, c.failing) << describe(observed);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, WholeRom,
    ::testing::Values(WholeRomCase{"hi-lo-swapped-mult", {"n46_mult_test"}},
                      WholeRomCase{"hi-lo-swapped-div", {"n44_div_test"}},
                      // Case 30 of the delay-slot routines runs multu in its slots.
                      WholeRomCase{"no-hilo-interlock-multu",
                                   {"n47_multu_test", "n52_bgez_ds_test", "n53_bgtz_ds_test",
                                    "n54_blez_ds_test", "n55_bltz_ds_test", "n56_bltzal_ds_test",
                                    "n57_bgezal_ds_test", "n58_jalr_ds_test"}},
                      WholeRomCase{"div-remainder-sign-of-quotient", {"n44_div_test"}},
                      WholeRomCase{"jalr-ds-slot-drops-muldiv", {"n58_jalr_ds_test"}},
                      WholeRomCase{"sra-srav-zero-fill", {"n33_sra_test", "n34_srav_test"}},
                      WholeRomCase{"slt-slti-compare-unsigned", {"n8_slt_test", "n9_slti_test"}}),
    [](const auto& info) {
        std::string name(info.param.fault);
        for (char& ch : name)
            if (ch == '-') ch = '_';
        return name;
    });

} // namespace
} // namespace coretest
