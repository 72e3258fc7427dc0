// The conditional-branch routines as the generator writes them: case lists (groups, signs,
// outcomes, first taken and not-taken cases), fixed cases, marker and operand rules, and the
// back-and-forth steps of every assembled case. Case lengths, routine sizes, the report and
// determinism are checked for every control-transfer routine in transfer_units_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "branch_routines.h"
#include "branch_support.h"

namespace {

using namespace branch_test;

Shape shapeOf(std::uint32_t x, std::uint32_t y) {
    if (x == 0 && y == 0) return Shape::BothZero;
    if (x == 0) return Shape::FirstZero;
    if (y == 0) return Shape::SecondZero;
    return x == y ? Shape::SameWord : Shape::DifferentWords;
}

class BranchRoutine : public ::testing::TestWithParam<BranchRow> {
  protected:
    void SetUp() override {
        unit_ = gen_test::unitNamed(GetParam().unit);
        cases_ = markerCases(unit_, twoOperands(GetParam()) ? 2 : 1);
    }
    casegen::Unit unit_;
    std::vector<MarkerCase> cases_;
};

TEST_P(BranchRoutine, CasesAreNumberedInRunOrderAndExpectWhatTheRuleSays) {
    const BranchRow& r = GetParam();
    expectCasesFollowTheRule(r.unit, cases_, r.branch, r.cases, r.taken, r.notTaken);
}

// beq, bne
class TwoOperandBranch : public BranchRoutine {};
// bgez, bgtz, blez, bltz
class OneOperandBranch : public BranchRoutine {};

TEST_P(TwoOperandBranch, GroupsStandInTheirOrderWithTheirOutcomes) {
    const BranchRow& r = GetParam();
    for (const Group& g : r.groups)
        for (int n = g.first; n <= g.last; ++n) {
            const MarkerCase& c = cases_.at(n - 1);
            EXPECT_EQ(static_cast<int>(shapeOf(c.operands[0], c.operands[1])),
                      static_cast<int>(g.shape))
                << r.unit << " case " << n;
            EXPECT_EQ(c.taken(), g.taken) << r.unit << " case " << n;
        }
}

TEST_P(OneOperandBranch, RandomRunHasItsSignsFirstCasesAndOneZeroAtTheEnd) {
    const BranchRow& r = GetParam();
    expectRandomRun(r.unit, cases_, r.cases, r.run);
}

TEST_P(OneOperandBranch, SignsAlternateWithoutPattern) {
    const BranchRow& r = GetParam();
    // Neither sorted into blocks nor strictly alternating: runs of both signs, none very long.
    int changes = 0, run = 1, longest = 1;
    for (std::size_t i = 1; i + 1 < cases_.size(); ++i) {
        const bool same =
            (asSigned(cases_[i].operands[0]) < 0) == (asSigned(cases_[i - 1].operands[0]) < 0);
        run = same ? run + 1 : 1;
        changes += !same;
        longest = std::max(longest, run);
    }
    const int random = r.cases - 1;
    EXPECT_GT(changes, random / 4);
    EXPECT_LT(changes, 3 * random / 4);
    EXPECT_LE(longest, 16);
}

TEST_P(BranchRoutine, FixedCasesStandAtTheirPlacesWithTheirValues) {
    expectFixedCases(GetParam().unit, cases_, GetParam().fixed);
}

TEST_P(BranchRoutine, MarkersAreNonzeroDistinctAndTwoInstructionLoads) {
    const BranchRow& r = GetParam();
    // bgez case 113 is the one case whose marker A is placed by lui alone.
    const bool bgez = r.unit == "n37_bgez";
    expectMarkersDistinctTwoInstructionLoads(r.unit, markersOf(cases_), bgez ? 113 : 0);
    if (bgez) {
        ASSERT_GE(cases_.size(), 113u);
        EXPECT_EQ(cases_[112].markerA, 0xb7d30000u)
            << "bgez case 113: marker A placed by lui alone";
        EXPECT_FALSE(cases_[112].taken()) << "bgez case 113 is a not-taken case";
    }
}

TEST_P(BranchRoutine, RandomOperandsAreTwoInstructionLoadsNoneUsedTwice) {
    expectOperandsDistinctTwoInstructionLoads(GetParam().unit, cases_);
}

// The back-and-forth template, step by step, with the values of the case line.
TEST_P(BranchRoutine, AssembledCasesFollowTheBackAndForthSteps) {
    const BranchRow& r = GetParam();
    walkEveryCase(unit_, cases_, [&](Steps& s, const MarkerCase& c) {
        const auto clear = [&](unsigned reg) {
            s.word(r.clearsWithLui ? enc::lui(reg, 0) : enc::addiu(reg, zero, 0), "clear");
        };
        const auto underTest = [&](bool forward, const char* step) {
            // beq and bne name t1 first going forward, t0 first going backward.
            if (!twoOperands(r)) return s.branch(r.branch, t0, zero, step);
            return forward ? s.branch(r.branch, t1, t0, step) : s.branch(r.branch, t0, t1, step);
        };
        const auto filler = [&] {
            if (r.filler) s.nop("filler nop");
        };
        clear(v0);
        clear(v1);
        const std::size_t toOperands = s.b("b to the operand block");
        s.nop();
        const std::size_t markerA = s.at();
        s.load(v0, c.markerA, "marker A into v0");
        const std::size_t forward = underTest(true, "the branch, forward");
        s.nop("delay slot");
        const std::size_t guardA = s.b("fall-through guard");
        s.nop();
        filler();
        EXPECT_EQ(toOperands, s.at()) << "entry goes to the operand block";
        s.load(t0, c.operands[0], "first operand into t0");
        if (twoOperands(r)) s.load(t1, c.operands[1], "second operand into t1");
        EXPECT_EQ(underTest(false, "the branch, backward"), markerA) << "backward to marker A";
        s.nop("delay slot");
        const std::size_t guardB = s.b("not-taken path");
        s.nop();
        filler();
        EXPECT_EQ(forward, s.at()) << "forward branch goes to the marker-B block";
        s.load(v1, c.markerB, "marker B into v1");
        EXPECT_EQ(guardA, s.at()) << "guards go to the check block";
        EXPECT_EQ(guardB, s.at()) << "guards go to the check block";
        s.comparisons(c.expV0, c.expV1);
    });
}

std::vector<BranchRow> routinesWhere(bool two) {
    std::vector<BranchRow> out;
    for (const auto& r : branchRoutines())
        if (twoOperands(r) == two) out.push_back(r);
    return out;
}

const auto kName = [](const auto& info) { return info.param.unit; };
INSTANTIATE_TEST_SUITE_P(ConditionalBranches, BranchRoutine, ::testing::ValuesIn(branchRoutines()),
                         kName);
INSTANTIATE_TEST_SUITE_P(ConditionalBranches, TwoOperandBranch,
                         ::testing::ValuesIn(routinesWhere(true)), kName);
INSTANTIATE_TEST_SUITE_P(ConditionalBranches, OneOperandBranch,
                         ::testing::ValuesIn(routinesWhere(false)), kName);

} // namespace
