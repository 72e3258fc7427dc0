// The jump routines as the generator writes them: case counts, fixed first and last cases,
// marker rules, the steps of every assembled case (targets, link captures, the relative link
// check of jal and the absolute one of jalr), case lengths and routine sizes, determinism.
#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "branch_support.h"
#include "unit.h"
#include "units.h"

namespace {

using namespace branch_test;

enum class Jump { J, Jal, Jr, Jalr };

struct Markers {
    std::uint32_t a;
    std::uint32_t b;
};

struct Routine {
    std::string unit;
    Jump jump;
    int cases;
    int caseWords;
    Markers first;
    Markers last;
};

// Test names and failure messages show the unit, not the bytes of the table row.
[[maybe_unused]] void PrintTo(const Routine& r, std::ostream* os) {
    *os << r.unit;
}

const std::vector<Routine>& routines() {
    static const std::vector<Routine> kTable{
        {"n13_j", Jump::J, 121, 26, {0x42ea6edf, 0x24071ba8}, {0x7b07c5ea, 0x22f0cf9c}},
        {"n14_jal", Jump::Jal, 122, 34, {0x8c3e1efa, 0xeb2bd57c}, {0x18e08d00, 0x6fa3619e}},
        {"n15_jr", Jump::Jr, 142, 30, {0xc21e6e78, 0x0e2ea248}, {0x87151984, 0x381fd770}},
        {"n43_jalr", Jump::Jalr, 140, 40, {0x6e6b362a, 0x240baf26}, {0xf1c91b75, 0xc4783b2e}},
    };
    return kTable;
}

struct Case {
    int number;
    Markers markers;
};

class JumpRoutine : public ::testing::TestWithParam<Routine> {
  protected:
    void SetUp() override {
        const Routine& r = GetParam();
        unit_ = buildNamed(r.unit);
        const std::string macro = r.unit.substr(r.unit.find('_') + 1) + "_case";
        for (const auto& l : caseLines(unit_)) {
            EXPECT_EQ(l.macro, macro);
            ASSERT_EQ(l.args.size(), 2u) << r.unit << " case " << l.number << ": marker A, B";
            cases_.push_back({l.number, {l.args[0], l.args[1]}});
        }
    }
    casegen::Unit unit_;
    std::vector<Case> cases_;
};

TEST_P(JumpRoutine, CasesAreNumberedAndFirstAndLastAreFixed) {
    const Routine& r = GetParam();
    ASSERT_EQ(static_cast<int>(cases_.size()), r.cases);
    for (std::size_t i = 0; i < cases_.size(); ++i)
        EXPECT_EQ(cases_[i].number, static_cast<int>(i) + 1);
    EXPECT_EQ(cases_.front().markers.a, r.first.a);
    EXPECT_EQ(cases_.front().markers.b, r.first.b);
    EXPECT_EQ(cases_.back().markers.a, r.last.a);
    EXPECT_EQ(cases_.back().markers.b, r.last.b);
}

TEST_P(JumpRoutine, MarkersAreNonzeroDistinctAndTwoInstructionLoads) {
    std::set<std::uint32_t> seen;
    for (const Case& c : cases_) {
        for (const std::uint32_t m : {c.markers.a, c.markers.b}) {
            EXPECT_TRUE(isTwoInstructionLoad(m)) << "case " << c.number; // also never 0
            EXPECT_TRUE(seen.insert(m).second) << "case " << c.number << ": marker repeats";
        }
        EXPECT_NE(c.markers.a, c.markers.b) << "case " << c.number;
    }
}

// The four jump templates, step by step, with the markers of the case line.
TEST_P(JumpRoutine, AssembledCasesFollowTheirTemplate) {
    const Routine& r = GetParam();
    const auto a = assemble(unit_);
    ASSERT_TRUE(a);
    ASSERT_EQ(a->start.size(), cases_.size());
    const bool links = r.jump == Jump::Jal || r.jump == Jump::Jalr;
    const bool lui = r.jump != Jump::Jalr;
    const bool filler = r.jump != Jump::Jalr;
    for (std::size_t i = 0; i < cases_.size(); ++i) {
        const Case& c = cases_[i];
        Steps s(*a, i, r.unit + " case " + std::to_string(c.number));
        const std::size_t begin = s.at();
        // Word indices of the steps the targets and address loads name, from the layout of
        // the template: marker-A block, jump block, marker-B block, check block.
        const std::size_t entry = links ? 1 : 0; // addu s7, zero, ra
        const std::size_t addresses =
            r.jump == Jump::Jr || r.jump == Jump::Jalr ? 4 : 0; // two address loads
        const std::size_t markerA = begin + entry + 2 + addresses + 2;
        const std::size_t markerABlock =
            (r.jump == Jump::Jal || r.jump == Jump::Jalr ? 1 : 0) + 2 + 4 + (filler ? 1 : 0);
        const std::size_t jumpBlock = markerA + markerABlock;
        const std::size_t jumpBlockWords = (r.jump == Jump::Jal ? 1 : 0) + 4 + (filler ? 1 : 0);
        const std::size_t markerB = jumpBlock + jumpBlockWords;
        const std::size_t check = markerB + (links ? 1 : 0) + 2;

        if (links) s.word(enc::addu(s7, zero, ra), "keep the return address in s7");
        s.word(lui ? enc::lui(v0, 0) : enc::addiu(v0, zero, 0), "clear v0");
        s.word(lui ? enc::lui(v1, 0) : enc::addiu(v1, zero, 0), "clear v1");
        if (addresses) {
            s.addressLoad(t0, markerA, "backward target into t0");
            s.addressLoad(t1, markerB, "forward target into t1");
        }
        if (r.jump == Jump::Jal)
            EXPECT_EQ(s.jump(Transfer::Jal, "jal into the jump block"), jumpBlock);
        else
            EXPECT_EQ(s.b("b into the jump block"), jumpBlock);
        s.nop("delay slot");

        EXPECT_EQ(s.at(), markerA);
        if (r.jump == Jump::Jal) s.word(enc::addu(a1, ra, zero), "link capture into a1");
        if (r.jump == Jump::Jalr) s.word(enc::addu(a0, ra, zero), "link capture into a0");
        s.load(v0, c.markers.a, "marker A into v0");
        const std::size_t forwardJump = s.at();
        switch (r.jump) {
        case Jump::J: EXPECT_EQ(s.jump(Transfer::J, "j forward"), markerB); break;
        case Jump::Jal: EXPECT_EQ(s.jump(Transfer::Jal, "jal forward"), markerB); break;
        case Jump::Jr: s.word(enc::jr(t1), "jr t1 forward"); break;
        case Jump::Jalr: s.word(enc::jalr(t1), "jalr t1 forward"); break;
        }
        s.nop("delay slot");
        EXPECT_EQ(s.b("fall-through guard"), check);
        s.nop();
        if (filler) s.nop("filler nop");

        EXPECT_EQ(s.at(), jumpBlock);
        if (r.jump == Jump::Jal) s.word(enc::addu(a0, ra, zero), "link capture into a0");
        const std::size_t backwardJump = s.at();
        switch (r.jump) {
        case Jump::J: EXPECT_EQ(s.jump(Transfer::J, "j backward"), markerA); break;
        case Jump::Jal: EXPECT_EQ(s.jump(Transfer::Jal, "jal backward"), markerA); break;
        case Jump::Jr: s.word(enc::jr(t0), "jr t0 backward"); break;
        case Jump::Jalr: s.word(enc::jalr(t0), "jalr t0 backward"); break;
        }
        s.nop("delay slot");
        EXPECT_EQ(s.b("fall-through guard"), check);
        s.nop();
        if (filler) s.nop("filler nop");

        EXPECT_EQ(s.at(), markerB);
        if (r.jump == Jump::Jal) s.word(enc::addu(a2, ra, zero), "link capture into a2");
        if (r.jump == Jump::Jalr) s.word(enc::addu(a1, ra, zero), "link capture into a1");
        s.load(v1, c.markers.b, "marker B into v1");

        EXPECT_EQ(s.at(), check);
        if (links) s.word(enc::addu(ra, zero, s7), "restore the return address");
        s.load(s5, c.markers.a, "marker A expected");
        s.load(s6, c.markers.b, "marker B expected");
        s.compare(v0, s5, "v0 comparison");
        s.nop();
        if (r.jump == Jump::Jal) {
            // The two jal stand 24 bytes apart, so their links do too.
            EXPECT_EQ(4 * (backwardJump - forwardJump), 24u);
            s.word(enc::addiu(a2, a2, 24), "forward link + 24");
        }
        s.compare(v1, s6, "v1 comparison");
        s.nop();
        if (r.jump == Jump::Jal) {
            s.compare(a2, a1, "relative link check");
            s.nop();
        }
        if (r.jump == Jump::Jalr) {
            s.addressLoad(s5, forwardJump + 2, "forward jalr + 8 into s5");
            s.addressLoad(s6, backwardJump + 2, "backward jalr + 8 into s6");
            s.compare(a0, s6, "link of the backward jalr");
            s.nop();
            s.compare(a1, s5, "link of the forward jalr");
            s.nop();
        }
        s.done();
        if (::testing::Test::HasFailure()) break; // one broken case says enough
    }
}

TEST_P(JumpRoutine, AssembledCaseLengthsAndRoutineSizeMatchTheLayout) {
    const Routine& r = GetParam();
    const auto a = assemble(unit_);
    ASSERT_TRUE(a);
    long words = 0;
    for (const std::size_t n : a->size) {
        EXPECT_EQ(static_cast<int>(n), r.caseWords);
        words += static_cast<long>(n);
    }
    EXPECT_EQ(unit_.bodyWords, words) << "the size the generator reports";
    const auto slot = casegen::linkSlot(r.unit);
    ASSERT_TRUE(slot);
    EXPECT_EQ(4 * (words + casegen::Unit::kFrameWords), static_cast<long>(slot->size));
}

TEST_P(JumpRoutine, EveryReportedPropertyIsOnTarget) {
    for (const auto& p : unit_.properties)
        EXPECT_TRUE(p.met) << p.name << ": target " << p.target << ", value " << p.actual;
}

TEST_P(JumpRoutine, SameBuildWritesTheSameText) {
    EXPECT_EQ(casegen::renderUnit(unit_), casegen::renderUnit(buildNamed(GetParam().unit)));
}

INSTANTIATE_TEST_SUITE_P(Jumps, JumpRoutine, ::testing::ValuesIn(routines()),
                         [](const auto& info) { return info.param.unit; });

} // namespace
