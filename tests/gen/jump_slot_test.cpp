// The jump delay-slot routines as the generator writes them: the steps of every assembled case
// (target = check step, P(W) in the slot), the registers no case may write, and the probe chain
// on the generator's model. What they share with the branch routines is checked in
// slot_routines_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>

#include "slot_chain.h"
#include "slot_probes.h"
#include "slot_routines.h"
#include "slot_test_support.h"

namespace {

using namespace casegen::slot;
using namespace slot_test;

// Every case on the assembled code: save, jump-register load of the check step's address, the
// reference, the jump with P(W) in its slot landing on the check step, b inst_error, the check.
TEST(JumpSlot, EveryCaseFollowsItsSteps) {
    for (const auto& r : slot_test::jumpRoutines()) {
        SCOPED_TRACE(r.number);
        // Lone probes: P(W), P(s6).
        forEveryCase(r, {s6}, [&](const CaseWords& cw) {
            const Assembled& a = cw.code();
            const CaseLine& c = cw.c;
            const auto word = [&](std::size_t i) { return cw.word(i); };
            const auto isClear = [&](std::size_t i, unsigned rd) {
                return word(i).w == ((9u << 26) | (rd << 16)); // addiu rd, zero, 0
            };
            std::size_t k = cw.begin;
            const std::size_t end = cw.end;
            if (links(r)) {
                EXPECT_TRUE(word(k++).isMoveFrom(s7, ra)) << "saves ra in s7 first";
            }
            std::uint32_t loaded = 0;
            if (r.jumpReg != zero) {
                EXPECT_EQ(word(k).op(), 0x0fu) << "lui of the check step's upper half";
                EXPECT_EQ(word(k + 1).op(), 0x09u) << "addiu of its lower half";
                const auto loads = slot_test::constantLoads(a.text, k, k + 2);
                ASSERT_EQ(loads.size(), 1u);
                EXPECT_EQ(loads[0].first, r.jumpReg);
                loaded = loads[0].second;
                k += 2;
            }
            if (c.mulDiv) {
                EXPECT_TRUE(isClear(k, v0) && isClear(k + 1, v1)) << "read-backs cleared";
                k += 2;
                EXPECT_EQ(word(k++).w, cw.alone()) << "reference P";
                EXPECT_EQ(word(k++).w, mflo(s6));
                EXPECT_EQ(word(k++).w, mtlo(r.jumpReg)) << "LO clobbered at once";
            } else {
                EXPECT_EQ(word(k++).w, cw.alone(1)) << "reference P(s6)";
            }
            const std::size_t jumpAt = k;
            EXPECT_TRUE(isTheJump(r, word(k++))) << "the jump under test";
            EXPECT_EQ(word(k++).w, cw.alone()) << "P(W) in the jump's slot";
            EXPECT_TRUE(branchesToError(a, k, 4, zero, zero))
                << "b inst_error when the jump falls through";
            k += 2;
            const std::size_t check = k;
            if (r.jumpReg != zero) {
                EXPECT_EQ(loaded, 4 * check) << "jump register = check step";
            } else
                EXPECT_EQ(word(jumpAt).w & 0x03ffffff, check) << "jump target = check step";
            if (links(r)) {
                EXPECT_TRUE(word(k++).isMoveFrom(ra, s7)) << "ra restored at the check";
            }
            if (c.mulDiv) {
                EXPECT_EQ(word(k++).w, mflo(v1));
                EXPECT_TRUE(branchesToError(a, k, 5, v1, s6)) << "slot's LO compared";
            } else {
                EXPECT_TRUE(branchesToError(a, k, 5, slot_test::regNumber(c.work), s6))
                    << "W compared";
            }
            k += 2;
            EXPECT_EQ(k, end) << "nothing after the check step";
        });
    }
}

TEST(JumpSlot, RegistersAndBranchesStayWithinTheirCase) {
    for (const auto& r : slot_test::jumpRoutines()) {
        SCOPED_TRACE(r.number);
        forEveryWord(r, [&](const Assembled& a, std::size_t i, std::size_t to) {
            const Word w{a.text[i]};
            slot_test::expectCaseWrites(w, links(r), isTheJump(r, w));
            if (w.isBranch()) {
                const std::size_t t = w.branchTarget(i);
                EXPECT_EQ(t, a.instError) << "the only branches go to inst_error";
                EXPECT_TRUE(Word{a.text[i + 1]}.isNop());
            }
            if (w.isJumpImmediate()) {
                const std::size_t t = w.w & 0x03ffffff;
                EXPECT_TRUE(t > i && t < to) << "jump stays inside its case";
            }
        });
    }
}

TEST(JumpSlot, ChainModelGivesTheListedResults) {
    for (const auto& r : slot_test::jumpRoutines()) {
        CaseModel model;
        model.order = CaseModel::Order::Jump;
        model.links = links(r);
        model.jumpReg = static_cast<int>(r.jumpReg);
        model.loClobber = static_cast<int>(r.jumpReg);
        for (const ChainOutcome& o : slot_test::expectChainGivesListedResults(r, model))
            for (const std::uint32_t lo : o.expectedLo)
                EXPECT_FALSE(lo >= kRomBase && lo < kRomEnd)
                    << r.number
                    << ": an expected LO could equal the check-step address that "
                       "clobbers LO";
    }
}

} // namespace
