// What every control-transfer routine (conditional branch, branch and link, jump) must show as
// the generator writes it: its cases by instruction count and the routine size they add up to,
// every counted property of the report met, and the same text every build and as committed.
#include <gtest/gtest.h>

#include "branch_routines.h"
#include "branch_support.h"
#include "unit_checks.h"

namespace {

using namespace branch_test;

class TransferRoutine : public ::testing::TestWithParam<TransferUnit> {
  protected:
    void SetUp() override { unit_ = gen_test::unitNamed(GetParam().unit); }
    casegen::Unit unit_;
};

TEST_P(TransferRoutine, AssembledCaseLengthsAndRoutineSizeMatchTheLayout) {
    const auto a = assemble(unit_);
    ASSERT_TRUE(a);
    gen_test::expectCaseLengths(unit_, a->size, GetParam().lengths);
}

TEST_P(TransferRoutine, EveryReportedPropertyIsOnTarget) {
    gen_test::expectReportMet(unit_);
}

TEST_P(TransferRoutine, SameTextEveryBuildAndAsCommitted) {
    gen_test::expectCommittedAndDeterministic(unit_);
}

INSTANTIATE_TEST_SUITE_P(ControlTransfers, TransferRoutine, ::testing::ValuesIn(transferUnits()),
                         [](const auto& info) { return info.param.unit; });

} // namespace
