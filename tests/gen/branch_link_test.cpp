// The branch-and-link routines as the generator writes them: case lists (signs, outcomes, first
// taken and not-taken cases, one operand 0 at the end), fixed cases, marker and operand rules,
// and the steps of every assembled case (link captures, ra kept in s7, address loads of the
// links). Case lengths, routine sizes, the report and determinism are checked for every
// control-transfer routine in transfer_units_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "branch_routines.h"
#include "branch_support.h"

namespace {

using namespace branch_test;

class LinkRoutine : public ::testing::TestWithParam<LinkRow> {
  protected:
    void SetUp() override {
        unit_ = gen_test::unitNamed(GetParam().unit);
        cases_ = markerCases(unit_, 1);
    }
    casegen::Unit unit_;
    std::vector<MarkerCase> cases_;
};

TEST_P(LinkRoutine, CasesFollowTheRuleWithTheirSignsAndFirstCases) {
    const LinkRow& r = GetParam();
    expectCasesFollowTheRule(r.unit, cases_, r.branch, r.cases, r.taken, r.notTaken);
    expectRandomRun(r.unit, cases_, r.cases, r.run);
}

TEST_P(LinkRoutine, FixedCasesStandAtTheirPlacesWithTheirValues) {
    expectFixedCases(GetParam().unit, cases_, GetParam().fixed);
}

TEST_P(LinkRoutine, MarkersAndOperandsAreDistinctTwoInstructionLoads) {
    expectMarkersDistinctTwoInstructionLoads(GetParam().unit, markersOf(cases_));
    expectOperandsDistinctTwoInstructionLoads(GetParam().unit, cases_);
}

// The branch-and-link template, step by step, with the values of the case line.
TEST_P(LinkRoutine, AssembledCasesFollowTheTemplate) {
    const LinkRow& r = GetParam();
    walkEveryCase(unit_, cases_, [&](Steps& s, const MarkerCase& c) {
        s.word(enc::addu(s7, zero, ra), "keep the return address in s7");
        s.word(enc::addiu(v0, zero, 0), "clear v0");
        s.word(enc::addiu(v1, zero, 0), "clear v1");
        const std::size_t toOperand = s.b("b to the operand block");
        s.nop();
        const std::size_t markerA = s.at();
        s.word(enc::addu(a0, ra, zero), "link capture into a0");
        s.load(v0, c.markerA, "marker A into v0");
        const std::size_t toMarkerB = s.branch(r.branch, t0, 0, "the branch, forward");
        s.nop("delay slot");
        const std::size_t forwardLink = s.at();
        const std::size_t guard = s.b("fall-through guard");
        s.nop();
        EXPECT_EQ(s.at(), toOperand) << "entry goes to the operand block";
        s.load(t0, c.operands[0], "operand into t0");
        EXPECT_EQ(s.branch(r.branch, t0, 0, "the branch, backward"), markerA);
        s.nop("delay slot");
        const std::size_t backwardLink = s.at();
        s.word(enc::addu(a0, ra, zero), "not taken: link capture into a0");
        s.addressLoad(a1, forwardLink, "the forward link into a1");
        const std::size_t notTaken = s.b("b to the check block");
        s.nop();
        EXPECT_EQ(s.at(), toMarkerB) << "forward branch goes to the marker-B block";
        s.word(enc::addu(a1, ra, zero), "link capture into a1");
        s.load(v1, c.markerB, "marker B into v1");
        EXPECT_EQ(s.at(), guard);
        EXPECT_EQ(s.at(), notTaken);
        s.word(enc::addu(ra, zero, s7), "restore the return address before any comparison");
        s.comparisons(c.expV0, c.expV1);
        s.addressLoad(s5, forwardLink, "forward branch + 8 into s5");
        s.addressLoad(s6, backwardLink, "backward branch + 8 into s6");
        s.compare(a0, s6, "link of the backward branch");
        s.nop();
        s.compare(a1, s5, "link of the forward branch");
        s.nop();
    });
}

INSTANTIATE_TEST_SUITE_P(BranchAndLink, LinkRoutine, ::testing::ValuesIn(linkRoutines()),
                         [](const auto& info) { return info.param.unit; });

} // namespace
