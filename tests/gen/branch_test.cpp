// The conditional-branch routines as the generator writes them: case lists (groups, signs,
// outcomes, first taken and not-taken cases), fixed cases, marker and operand rules, the
// back-and-forth steps of every assembled case, case lengths and routine sizes, determinism.
#include <gtest/gtest.h>

#include <algorithm>
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

enum class Shape { DifferentWords, SameWord, SecondZero, FirstZero, BothZero };

struct Group {
    int first;
    int last;
    Shape shape;
    bool taken;
};

struct Fixed {
    int number;
    std::vector<std::uint32_t> operands;
    std::uint32_t markerA;
    std::uint32_t markerB;
    bool taken;
};

struct Routine {
    std::string unit;
    Transfer branch;
    bool clearsWithLui;
    bool filler;
    int cases;
    int taken;
    int notTaken;
    std::vector<Group> groups; // beq, bne
    int negatives = 0;         // the one-operand branches: random operands by sign,
    int positives = 0;
    int firstTaken = 0;
    int firstNotTaken = 0;
    bool zeroTaken = false; // and the outcome of the last case, operand 0
    std::vector<Fixed> fixed = {};
    std::map<int, int> lengths = {};
};

bool twoOperands(const Routine& r) {
    return r.branch == Transfer::Beq || r.branch == Transfer::Bne;
}

// The branch rule, stated here on signed values.
bool takes(Transfer t, std::uint32_t x, std::uint32_t y) {
    switch (t) {
    case Transfer::Beq: return x == y;
    case Transfer::Bne: return x != y;
    case Transfer::Bgez: return asSigned(x) >= 0;
    case Transfer::Bgtz: return asSigned(x) > 0;
    case Transfer::Blez: return asSigned(x) <= 0;
    case Transfer::Bltz: return asSigned(x) < 0;
    default: break;
    }
    ADD_FAILURE() << "not a conditional branch";
    return false;
}

// Test names and failure messages show the unit, not the bytes of the table row.
[[maybe_unused]] void PrintTo(const Routine& r, std::ostream* os) {
    *os << r.unit;
}

const std::vector<Routine>& routines() {
    static const std::vector<Routine> kTable{
        {"n4_beq",
         Transfer::Beq,
         true,
         true,
         104,
         49,
         55,
         {{1, 32, Shape::DifferentWords, false},
          {33, 80, Shape::SameWord, true},
          {81, 90, Shape::SecondZero, false},
          {91, 103, Shape::FirstZero, false},
          {104, 104, Shape::BothZero, true}},
         0,
         0,
         0,
         0,
         false,
         {{1, {0x52919078, 0x81468400}, 0x0fb16a80, 0xdf225ddc, false},
          {33, {0x62fb4a80, 0x62fb4a80}, 0x166a1ae0, 0x107af4b4, true},
          {81, {0x37a00820, 0}, 0xa03a8bd0, 0x69dccece, false},
          {104, {0, 0}, 0xfc98d552, 0xca9087ec, true}},
         {{30, 48}, {28, 33}, {27, 23}}},
        {"n5_bne",
         Transfer::Bne,
         true,
         true,
         153,
         104,
         49,
         {{1, 66, Shape::DifferentWords, true},
          {67, 114, Shape::SameWord, false},
          {115, 132, Shape::SecondZero, true},
          {133, 152, Shape::FirstZero, true},
          {153, 153, Shape::BothZero, false}},
         0,
         0,
         0,
         0,
         false,
         {{1, {0xbcaabd27, 0x82a77a9d}, 0x235fde00, 0xdd597dde, true},
          {67, {0xdbd8b1e0, 0xdbd8b1e0}, 0x846d8928, 0xa920a654, false},
          {153, {0, 0}, 0x1744192c, 0x0b48f1f0, false}},
         {{30, 66}, {29, 38}, {28, 48}, {26, 1}}},
        {"n37_bgez",
         Transfer::Bgez,
         false,
         true,
         201,
         95,
         106,
         {},
         106,
         94,
         6,
         1,
         true,
         {{1, {0xdd4f1370}, 0xbe6e1670, 0x28b850c0, false},
          {201, {0}, 0x1f139900, 0xaf6531c4, true}},
         {{28, 94}, {27, 1}, {26, 105}, {25, 1}}},
        {"n38_bgtz",
         Transfer::Bgtz,
         false,
         true,
         201,
         91,
         110,
         {},
         109,
         91,
         3,
         1,
         false,
         {{201, {0}, 0x79bb8050, 0xa7583a00, false}},
         {{28, 91}, {26, 109}, {25, 1}}},
        {"n39_blez",
         Transfer::Blez,
         false,
         true,
         201,
         95,
         106,
         {},
         94,
         106,
         1,
         2,
         true,
         {{1, {0x95b9206f}, 0x6ad0a0b8, 0x8f08db03, true},
          {201, {0}, 0xbb9734a0, 0xff0af084, true}},
         {{28, 94}, {27, 1}, {26, 106}}},
        {"n40_bltz",
         Transfer::Bltz,
         false,
         false,
         153,
         81,
         72,
         {},
         81,
         71,
         1,
         6,
         false,
         {{1, {0x9e0d7d08}, 0x933a7610, 0xee034360, true},
          {153, {0}, 0x5f7d6c5f, 0x632c31aa, false}},
         {{26, 81}, {24, 71}, {23, 1}}},
    };
    return kTable;
}

Shape shapeOf(std::uint32_t x, std::uint32_t y) {
    if (x == 0 && y == 0) return Shape::BothZero;
    if (x == 0) return Shape::FirstZero;
    if (y == 0) return Shape::SecondZero;
    return x == y ? Shape::SameWord : Shape::DifferentWords;
}

// A case line of these routines: exp_v0, exp_v1, marker A, marker B, then the operand(s).
struct Case {
    int number;
    std::uint32_t expV0, expV1, markerA, markerB;
    std::vector<std::uint32_t> operands;
    bool taken() const { return expV0 != 0 || expV1 != 0; }
};

std::vector<Case> casesOf(const casegen::Unit& u, const Routine& r) {
    std::vector<Case> out;
    const std::string macro = r.unit.substr(r.unit.find('_') + 1) + "_case";
    for (const auto& l : caseLines(u)) {
        EXPECT_EQ(l.macro, macro);
        EXPECT_EQ(l.args.size(), twoOperands(r) ? 6u : 5u) << r.unit << " case " << l.number;
        if (l.args.size() < 5) continue;
        out.push_back({l.number, l.args[0], l.args[1], l.args[2], l.args[3],
                       std::vector<std::uint32_t>(l.args.begin() + 4, l.args.end())});
    }
    return out;
}

class BranchRoutine : public ::testing::TestWithParam<Routine> {
  protected:
    void SetUp() override {
        unit_ = buildNamed(GetParam().unit);
        cases_ = casesOf(unit_, GetParam());
    }
    casegen::Unit unit_;
    std::vector<Case> cases_;
};

TEST_P(BranchRoutine, CasesAreNumberedInRunOrderAndExpectWhatTheRuleSays) {
    const Routine& r = GetParam();
    ASSERT_EQ(static_cast<int>(cases_.size()), r.cases);
    int taken = 0;
    for (std::size_t i = 0; i < cases_.size(); ++i) {
        const Case& c = cases_[i];
        EXPECT_EQ(c.number, static_cast<int>(i) + 1);
        const std::uint32_t y = c.operands.size() > 1 ? c.operands[1] : 0;
        const bool rule = takes(r.branch, c.operands[0], y);
        EXPECT_EQ(c.expV0, rule ? c.markerA : 0u) << r.unit << " case " << c.number;
        EXPECT_EQ(c.expV1, rule ? c.markerB : 0u) << r.unit << " case " << c.number;
        taken += rule;
    }
    EXPECT_EQ(taken, r.taken);
    EXPECT_EQ(r.cases - taken, r.notTaken);
}

// beq, bne
class TwoOperandBranch : public BranchRoutine {};
// bgez, bgtz, blez, bltz
class OneOperandBranch : public BranchRoutine {};

TEST_P(TwoOperandBranch, GroupsStandInTheirOrderWithTheirOutcomes) {
    const Routine& r = GetParam();
    for (const Group& g : r.groups)
        for (int n = g.first; n <= g.last; ++n) {
            const Case& c = cases_.at(n - 1);
            EXPECT_EQ(static_cast<int>(shapeOf(c.operands[0], c.operands[1])),
                      static_cast<int>(g.shape))
                << r.unit << " case " << n;
            EXPECT_EQ(c.taken(), g.taken) << r.unit << " case " << n;
        }
}

TEST_P(OneOperandBranch, RandomRunHasItsSignsFirstCasesAndOneZeroAtTheEnd) {
    const Routine& r = GetParam();
    int negatives = 0, positives = 0, firstTaken = 0, firstNotTaken = 0;
    for (const Case& c : cases_) {
        const std::uint32_t x = c.operands[0];
        if (c.number == r.cases) {
            EXPECT_EQ(x, 0u) << "the last case has operand 0";
            EXPECT_EQ(c.taken(), r.zeroTaken);
        } else {
            EXPECT_NE(x, 0u) << r.unit << " case " << c.number << ": 0 only in the last case";
            (asSigned(x) < 0 ? negatives : positives) += 1;
        }
        int& first = c.taken() ? firstTaken : firstNotTaken;
        if (first == 0) first = c.number;
    }
    EXPECT_EQ(negatives, r.negatives);
    EXPECT_EQ(positives, r.positives);
    EXPECT_EQ(firstTaken, r.firstTaken);
    EXPECT_EQ(firstNotTaken, r.firstNotTaken);
}

TEST_P(OneOperandBranch, SignsAlternateWithoutPattern) {
    const Routine& r = GetParam();
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
    const Routine& r = GetParam();
    for (const Fixed& f : r.fixed) {
        const Case& c = cases_.at(f.number - 1);
        EXPECT_EQ(c.operands, f.operands) << r.unit << " case " << f.number;
        EXPECT_EQ(c.markerA, f.markerA) << r.unit << " case " << f.number;
        EXPECT_EQ(c.markerB, f.markerB) << r.unit << " case " << f.number;
        EXPECT_EQ(c.taken(), f.taken) << r.unit << " case " << f.number;
    }
}

TEST_P(BranchRoutine, MarkersAreNonzeroDistinctAndTwoInstructionLoads) {
    const Routine& r = GetParam();
    std::set<std::uint32_t> seen;
    for (const Case& c : cases_) {
        EXPECT_NE(c.markerA, 0u);
        EXPECT_NE(c.markerB, 0u);
        EXPECT_NE(c.markerA, c.markerB) << r.unit << " case " << c.number;
        EXPECT_TRUE(seen.insert(c.markerA).second) << r.unit << " case " << c.number;
        EXPECT_TRUE(seen.insert(c.markerB).second) << r.unit << " case " << c.number;
        const bool shortA = r.unit == "n37_bgez" && c.number == 113;
        if (shortA) {
            EXPECT_EQ(c.markerA, 0xb7d30000u) << "bgez case 113: marker A placed by lui alone";
            EXPECT_FALSE(c.taken()) << "bgez case 113 is a not-taken case";
        } else {
            EXPECT_TRUE(isTwoInstructionLoad(c.markerA)) << r.unit << " case " << c.number;
        }
        EXPECT_TRUE(isTwoInstructionLoad(c.markerB)) << r.unit << " case " << c.number;
    }
}

TEST_P(BranchRoutine, RandomOperandsAreTwoInstructionLoadsNoneUsedTwice) {
    const Routine& r = GetParam();
    std::set<std::uint32_t> seen;
    for (const Case& c : cases_) {
        const std::set<std::uint32_t> own(c.operands.begin(), c.operands.end());
        for (const std::uint32_t v : own) {
            if (v == 0) continue;
            EXPECT_TRUE(isTwoInstructionLoad(v)) << r.unit << " case " << c.number;
            EXPECT_TRUE(seen.insert(v).second)
                << r.unit << " case " << c.number << ": " << std::hex << v << " used before";
        }
    }
}

// The back-and-forth template, step by step, with the values of the case line.
TEST_P(BranchRoutine, AssembledCasesFollowTheBackAndForthSteps) {
    const Routine& r = GetParam();
    const auto a = assemble(unit_);
    ASSERT_TRUE(a);
    ASSERT_EQ(a->start.size(), cases_.size());
    for (std::size_t i = 0; i < cases_.size(); ++i) {
        const Case& c = cases_[i];
        Steps s(*a, i, r.unit + " case " + std::to_string(c.number));
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
        s.load(s5, c.expV0, "expected v0 into s5");
        s.load(s6, c.expV1, "expected v1 into s6");
        s.compare(v0, s5, "v0 comparison");
        s.nop();
        s.compare(v1, s6, "v1 comparison");
        s.nop();
        s.done();
        if (::testing::Test::HasFailure()) break; // one broken case says enough
    }
}

TEST_P(BranchRoutine, AssembledCaseLengthsAndRoutineSizeMatchTheLayout) {
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

TEST_P(BranchRoutine, EveryReportedPropertyIsOnTarget) {
    for (const auto& p : unit_.properties)
        EXPECT_TRUE(p.met) << p.name << ": target " << p.target << ", value " << p.actual;
}

TEST_P(BranchRoutine, SameBuildWritesTheSameText) {
    EXPECT_EQ(casegen::renderUnit(unit_), casegen::renderUnit(buildNamed(GetParam().unit)));
}

std::vector<Routine> routinesWhere(bool two) {
    std::vector<Routine> out;
    for (const auto& r : routines())
        if (twoOperands(r) == two) out.push_back(r);
    return out;
}

const auto kName = [](const auto& info) { return info.param.unit; };
INSTANTIATE_TEST_SUITE_P(ConditionalBranches, BranchRoutine, ::testing::ValuesIn(routines()),
                         kName);
INSTANTIATE_TEST_SUITE_P(ConditionalBranches, TwoOperandBranch,
                         ::testing::ValuesIn(routinesWhere(true)), kName);
INSTANTIATE_TEST_SUITE_P(ConditionalBranches, OneOperandBranch,
                         ::testing::ValuesIn(routinesWhere(false)), kName);

} // namespace
