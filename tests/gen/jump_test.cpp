// The jump routines as the generator writes them: case counts, fixed first and last cases,
// marker rules, and the steps of every assembled case (targets, link captures, the relative link
// check of jal and the absolute one of jalr). Case lengths, routine sizes, the report and
// determinism are checked for every control-transfer routine in transfer_units_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "branch_routines.h"
#include "branch_support.h"

namespace {

using namespace branch_test;

class JumpRoutine : public ::testing::TestWithParam<JumpRow> {
  protected:
    void SetUp() override {
        unit_ = gen_test::unitNamed(GetParam().unit);
        for (const auto& l : caseLinesOf(unit_, 2)) // marker A, marker B
            cases_.push_back({l.number, l.args[0], l.args[1]});
    }
    casegen::Unit unit_;
    std::vector<CaseMarkers> cases_;
};

TEST_P(JumpRoutine, CasesAreNumberedAndFirstAndLastAreFixed) {
    const JumpRow& r = GetParam();
    ASSERT_EQ(static_cast<int>(cases_.size()), r.cases);
    for (std::size_t i = 0; i < cases_.size(); ++i)
        EXPECT_EQ(cases_[i].number, static_cast<int>(i) + 1);
    for (const auto& [found, want] :
         {std::pair{cases_.front(), r.first}, {cases_.back(), r.last}}) {
        EXPECT_EQ(found.number, want.number);
        EXPECT_EQ(found.a, want.a) << "case " << want.number;
        EXPECT_EQ(found.b, want.b) << "case " << want.number;
    }
}

TEST_P(JumpRoutine, MarkersAreNonzeroDistinctAndTwoInstructionLoads) {
    expectMarkersDistinctTwoInstructionLoads(GetParam().unit, cases_);
}

// The four jump templates, step by step, with the markers of the case line.
TEST_P(JumpRoutine, AssembledCasesFollowTheirTemplate) {
    const JumpRow& r = GetParam();
    const bool links = r.jump == Jump::Jal || r.jump == Jump::Jalr;
    const bool lui = r.jump != Jump::Jalr;
    const bool filler = r.jump != Jump::Jalr;
    walkEveryCase(unit_, cases_, [&](Steps& s, const CaseMarkers& c) {
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
        s.load(v0, c.a, "marker A into v0");
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
        s.load(v1, c.b, "marker B into v1");

        EXPECT_EQ(s.at(), check);
        if (links) s.word(enc::addu(ra, zero, s7), "restore the return address");
        s.load(s5, c.a, "marker A expected");
        s.load(s6, c.b, "marker B expected");
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
    });
}

INSTANTIATE_TEST_SUITE_P(Jumps, JumpRoutine, ::testing::ValuesIn(jumpRoutines()),
                         [](const auto& info) { return info.param.unit; });

} // namespace
