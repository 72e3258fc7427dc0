// The branch-and-link routines as the generator writes them: case lists (signs, outcomes, first
// taken and not-taken cases, one operand 0 at the end), fixed cases, marker and operand rules,
// the steps of every assembled case (link captures, ra kept in s7, address loads of the links),
// case lengths and routine sizes, determinism.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "branch_support.h"
#include "unit.h"
#include "units.h"

namespace {

using namespace branch_test;

struct Fixed {
    int number;
    std::uint32_t operand;
    std::uint32_t markerA;
    std::uint32_t markerB;
    bool taken;
};

struct Routine {
    std::string unit;
    Transfer branch;
    int cases;
    int taken;
    int notTaken;
    int negatives;
    int positives;
    int firstTaken;
    int firstNotTaken;
    bool zeroTaken;
    std::vector<Fixed> fixed;
    std::map<int, int> lengths;
};

// The rule, stated here on signed values: bltzal branches on a negative operand, bgezal on any
// other.
bool takes(Transfer t, std::uint32_t x) {
    return t == Transfer::Bltzal ? asSigned(x) < 0 : asSigned(x) >= 0;
}

// Test names and failure messages show the unit, not the bytes of the table row.
[[maybe_unused]] void PrintTo(const Routine& r, std::ostream* os) {
    *os << r.unit;
}

const std::vector<Routine>& routines() {
    static const std::vector<Routine> kTable{
        {"n41_bltzal",
         Transfer::Bltzal,
         139,
         72,
         67,
         72,
         66,
         1,
         2,
         false,
         {{1, 0xc564aaee, 0xf1026890, 0x39dd5800, true},
          {2, 0x655e408b, 0x6c41162c, 0x8d5cd86f, false},
          {139, 0, 0xafbac4d4, 0xf06fb6ae, false}},
         {{41, 72}, {39, 66}, {38, 1}}},
        {"n42_bgezal",
         Transfer::Bgezal,
         146,
         72,
         74,
         74,
         71,
         2,
         1,
         true,
         {{1, 0x9ec9db66, 0x029aaf84, 0xb5a8cca0, false},
          {2, 0x48f555d0, 0x288dbddc, 0xabcf87b8, true},
          {146, 0, 0x36a36650, 0x44fa7d50, true}},
         {{41, 71}, {39, 74}, {40, 1}}},
    };
    return kTable;
}

struct Case {
    int number;
    std::uint32_t expV0, expV1, markerA, markerB, operand;
    bool taken() const { return expV0 != 0 || expV1 != 0; }
};

class LinkRoutine : public ::testing::TestWithParam<Routine> {
  protected:
    void SetUp() override {
        const Routine& r = GetParam();
        unit_ = buildNamed(r.unit);
        const std::string macro = r.unit.substr(r.unit.find('_') + 1) + "_case";
        for (const auto& l : caseLines(unit_)) {
            EXPECT_EQ(l.macro, macro);
            ASSERT_EQ(l.args.size(), 5u) << r.unit << " case " << l.number;
            cases_.push_back({l.number, l.args[0], l.args[1], l.args[2], l.args[3], l.args[4]});
        }
    }
    casegen::Unit unit_;
    std::vector<Case> cases_;
};

TEST_P(LinkRoutine, CasesFollowTheRuleWithTheirSignsAndFirstCases) {
    const Routine& r = GetParam();
    ASSERT_EQ(static_cast<int>(cases_.size()), r.cases);
    int taken = 0, negatives = 0, positives = 0, firstTaken = 0, firstNotTaken = 0;
    for (std::size_t i = 0; i < cases_.size(); ++i) {
        const Case& c = cases_[i];
        EXPECT_EQ(c.number, static_cast<int>(i) + 1);
        const bool rule = takes(r.branch, c.operand);
        EXPECT_EQ(c.expV0, rule ? c.markerA : 0u) << r.unit << " case " << c.number;
        EXPECT_EQ(c.expV1, rule ? c.markerB : 0u) << r.unit << " case " << c.number;
        taken += rule;
        int& first = rule ? firstTaken : firstNotTaken;
        if (first == 0) first = c.number;
        if (c.number == r.cases) {
            EXPECT_EQ(c.operand, 0u) << "the last case has operand 0";
            EXPECT_EQ(rule, r.zeroTaken);
        } else {
            EXPECT_NE(c.operand, 0u) << r.unit << " case " << c.number << ": 0 only last";
            (asSigned(c.operand) < 0 ? negatives : positives) += 1;
        }
    }
    EXPECT_EQ(taken, r.taken);
    EXPECT_EQ(r.cases - taken, r.notTaken);
    EXPECT_EQ(negatives, r.negatives);
    EXPECT_EQ(positives, r.positives);
    EXPECT_EQ(firstTaken, r.firstTaken);
    EXPECT_EQ(firstNotTaken, r.firstNotTaken);
}

TEST_P(LinkRoutine, FixedCasesStandAtTheirPlacesWithTheirValues) {
    const Routine& r = GetParam();
    for (const Fixed& f : r.fixed) {
        const Case& c = cases_.at(f.number - 1);
        EXPECT_EQ(c.operand, f.operand) << r.unit << " case " << f.number;
        EXPECT_EQ(c.markerA, f.markerA) << r.unit << " case " << f.number;
        EXPECT_EQ(c.markerB, f.markerB) << r.unit << " case " << f.number;
        EXPECT_EQ(c.taken(), f.taken) << r.unit << " case " << f.number;
    }
}

TEST_P(LinkRoutine, MarkersAndOperandsAreDistinctTwoInstructionLoads) {
    std::set<std::uint32_t> markers, operands;
    for (const Case& c : cases_) {
        EXPECT_TRUE(isTwoInstructionLoad(c.markerA)) << "case " << c.number;
        EXPECT_TRUE(isTwoInstructionLoad(c.markerB)) << "case " << c.number;
        EXPECT_NE(c.markerA, c.markerB) << "case " << c.number;
        EXPECT_TRUE(markers.insert(c.markerA).second) << "case " << c.number;
        EXPECT_TRUE(markers.insert(c.markerB).second) << "case " << c.number;
        if (c.operand == 0) continue;
        EXPECT_TRUE(isTwoInstructionLoad(c.operand)) << "case " << c.number;
        EXPECT_TRUE(operands.insert(c.operand).second) << "case " << c.number;
    }
}

// The branch-and-link template, step by step, with the values of the case line.
TEST_P(LinkRoutine, AssembledCasesFollowTheTemplate) {
    const Routine& r = GetParam();
    const auto a = assemble(unit_);
    ASSERT_TRUE(a);
    ASSERT_EQ(a->start.size(), cases_.size());
    for (std::size_t i = 0; i < cases_.size(); ++i) {
        const Case& c = cases_[i];
        Steps s(*a, i, r.unit + " case " + std::to_string(c.number));
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
        s.load(t0, c.operand, "operand into t0");
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
        s.load(s5, c.expV0, "expected v0 into s5");
        s.load(s6, c.expV1, "expected v1 into s6");
        s.compare(v0, s5, "v0 comparison");
        s.nop();
        s.compare(v1, s6, "v1 comparison");
        s.nop();
        s.addressLoad(s5, forwardLink, "forward branch + 8 into s5");
        s.addressLoad(s6, backwardLink, "backward branch + 8 into s6");
        s.compare(a0, s6, "link of the backward branch");
        s.nop();
        s.compare(a1, s5, "link of the forward branch");
        s.nop();
        s.done();
        if (::testing::Test::HasFailure()) break; // one broken case says enough
    }
}

TEST_P(LinkRoutine, AssembledCaseLengthsAndRoutineSizeMatchTheLayout) {
    const Routine& r = GetParam();
    const auto a = assemble(unit_);
    ASSERT_TRUE(a);
    std::map<int, int> lengths;
    long words = 0;
    for (const std::size_t n : a->size) {
        ++lengths[static_cast<int>(n)];
        words += static_cast<long>(n);
    }
    EXPECT_EQ(lengths, r.lengths);
    EXPECT_EQ(unit_.bodyWords, words) << "the size the generator reports";
    const auto slot = casegen::linkSlot(r.unit);
    ASSERT_TRUE(slot);
    EXPECT_EQ(4 * (words + casegen::Unit::kFrameWords), static_cast<long>(slot->size));
}

TEST_P(LinkRoutine, EveryReportedPropertyIsOnTarget) {
    for (const auto& p : unit_.properties)
        EXPECT_TRUE(p.met) << p.name << ": target " << p.target << ", value " << p.actual;
}

TEST_P(LinkRoutine, SameBuildWritesTheSameText) {
    EXPECT_EQ(casegen::renderUnit(unit_), casegen::renderUnit(buildNamed(GetParam().unit)));
}

INSTANTIATE_TEST_SUITE_P(BranchAndLink, LinkRoutine, ::testing::ValuesIn(routines()),
                         [](const auto& info) { return info.param.unit; });

} // namespace
