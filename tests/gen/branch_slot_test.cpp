// The branch delay-slot routines as the generator writes them: the steps of every assembled case,
// the registers no case may write, the LO clobber, and the probe chain on the generator's model.
// What they share with the jump routines is checked in slot_routines_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>

#include "slot_chain.h"
#include "slot_probes.h"
#include "slot_routines.h"
#include "slot_test_support.h"

namespace {

using namespace casegen::slot;
using namespace slot_test;

// Every case, step by step, on the assembled code: save, guards, the not-taken branch with P(W)
// in its slot, the reference, the taken branch with P(R) in its slot, b inst_error, check step.
TEST(BranchSlot, EveryCaseFollowsItsSteps) {
    for (const auto& r : slot_test::branchRoutines()) {
        SCOPED_TRACE(r.number);
        // Lone probes: P(W), P(s6), P(R).
        forEveryCase(r, {s6, r.result}, [&](const CaseWords& cw) {
            const Assembled& a = cw.code();
            const CaseLine& c = cw.c;
            const auto word = [&](std::size_t i) { return cw.word(i); };
            std::size_t k = cw.begin;
            const std::size_t end = cw.end;
            if (r.links) {
                EXPECT_TRUE(word(k++).isMoveFrom(s7, ra)) << "saves ra in s7 first";
            }
            std::size_t g = k;
            while (g < end && !word(g).isBranch())
                ++g;
            auto loads = slot_test::constantLoads(a.text, k, g);
            std::vector<std::pair<unsigned, std::uint32_t>> guards;
            std::copy_if(loads.begin(), loads.end(), std::back_inserter(guards),
                         [](const auto& l) { return l.first != v0 && l.first != v1; });
            EXPECT_EQ(guards, r.guards) << "guard operands loaded in every case";
            EXPECT_EQ(static_cast<int>(loads.size() - guards.size()), c.mulDiv ? 2 : 0)
                << "LO read-backs cleared in the multiply/divide cases";
            k = g;

            const std::size_t untakenAt = k;
            EXPECT_TRUE(r.untaken.matches(word(k++))) << "the branch that falls through";
            const unsigned w = c.mulDiv ? 0 : slot_test::regNumber(c.work);
            if (c.mulDiv) {
                EXPECT_EQ(word(k++).w, cw.alone()) << "P in the not-taken slot";
                EXPECT_EQ(word(k++).w, mflo(v0)) << "LO read right after the slot";
                EXPECT_EQ(word(k++).w, mtlo(a0)) << "then clobbered";
                EXPECT_EQ(word(k++).w, cw.alone()) << "reference P";
                EXPECT_EQ(word(k++).w, mflo(s6));
                EXPECT_TRUE(branchesToError(a, k, kBne, v0, s6)) << "not-taken slot's LO compared";
                k += 2;
                EXPECT_EQ(word(k++).w, mtlo(a0)) << "LO clobbered before the taken branch";
            } else {
                EXPECT_EQ(word(k++).w, cw.alone()) << "P(W) in the not-taken slot";
                EXPECT_EQ(word(k++).w, cw.alone(1)) << "reference P(s6)";
                EXPECT_TRUE(branchesToError(a, k, kBne, w, s6)) << "W compared with the reference";
                k += 2;
            }
            const std::size_t takenAt = k;
            EXPECT_TRUE(r.taken.matches(word(k++))) << "the branch that is taken";
            EXPECT_EQ(word(k++).w, cw.alone(c.mulDiv ? 0 : 2)) << "P(R) in its slot";
            const std::size_t fell = k;
            EXPECT_TRUE(branchesToError(a, k, kBeq, zero, zero))
                << "b inst_error after the taken branch";
            k += 2;
            const std::size_t check = k;
            EXPECT_EQ(word(untakenAt).branchTarget(untakenAt), fell);
            EXPECT_EQ(word(takenAt).branchTarget(takenAt), check);
            if (r.links) {
                EXPECT_TRUE(word(k++).isMoveFrom(ra, s7)) << "ra restored at the check";
            }
            if (c.mulDiv) {
                EXPECT_EQ(word(k++).w, mflo(v1));
                EXPECT_TRUE(branchesToError(a, k, kBne, v1, s6)) << "taken slot's LO compared";
            } else {
                EXPECT_TRUE(branchesToError(a, k, kBne, r.result, s6))
                    << "R compared with the reference";
            }
            k += 2;
            EXPECT_EQ(k, end) << "nothing after the check step";
        });
    }
}

// No case writes the run-wide registers or at; ra only in the link routines (by the branches and
// the restore), where s7 is written by the save alone; every branch stays in its case or goes to
// inst_error with a nop in its slot.
TEST(BranchSlot, RegistersAndBranchesStayWithinTheirCase) {
    for (const auto& r : slot_test::branchRoutines()) {
        SCOPED_TRACE(r.number);
        forEveryWord(r, [&](const Assembled& a, std::size_t i, std::size_t to) {
            const Word w{a.text[i]};
            slot_test::expectCaseWrites(w, r.links, w.isRegimm());
            if (w.isBranch()) {
                const std::size_t t = w.branchTarget(i);
                EXPECT_TRUE(t == a.instError || (t > i && t <= to)) << "target " << t;
                if (t == a.instError) {
                    EXPECT_TRUE(Word{a.text[i + 1]}.isNop());
                }
            }
            EXPECT_FALSE(w.isJumpImmediate() || w.isJumpRegister());
        });
    }
}

// The guard a0 is also what LO is clobbered with: in every multiply/divide case its value must
// differ from every LO the multiply and divide probes leave.
TEST(BranchSlot, LoClobberDiffersFromEveryExpectedLo) {
    std::vector<std::uint32_t> expectedLo;
    for (int probe = 27; probe <= 30; ++probe)
        expectedLo.push_back(slot_test::probeResult(probe, 0, 0, 0));
    for (const auto& r : slot_test::branchRoutines()) {
        if (r.mulDivLength == 0) continue;
        SCOPED_TRACE(r.number);
        const ParsedUnit p = slot_test::parse(r);
        const auto a = slot_test::assemble(p.unit.includes, p.code);
        ASSERT_TRUE(a);
        int checked = 0;
        for (std::size_t n = 0; n < p.code.size(); ++n) {
            if (!p.parsed[n] || !p.parsed[n]->mulDiv) continue;
            std::size_t g = a->start[n];
            while (!Word{a->text.at(g)}.isBranch())
                ++g;
            const auto loads = slot_test::constantLoads(a->text, a->start[n], g);
            const auto clobber = std::find_if(loads.begin(), loads.end(),
                                              [](const auto& l) { return l.first == a0; });
            ASSERT_NE(clobber, loads.end()) << p.code[n];
            EXPECT_EQ(std::count(expectedLo.begin(), expectedLo.end(), clobber->second), 0)
                << p.code[n];
            ++checked;
        }
        EXPECT_EQ(checked, 4);
    }
}

// The generator's model of the probe chain reproduces the probe list's results for the first and
// the last pass count a routine can meet.
TEST(BranchSlot, ChainModelGivesTheListedResults) {
    for (const auto& r : slot_test::branchRoutines()) {
        CaseModel model;
        model.order = CaseModel::Order::Branches;
        for (const auto& g : r.guards)
            model.guards.emplace_back(static_cast<int>(g.first), g.second);
        model.result = static_cast<int>(r.result);
        model.links = r.links;
        model.loClobber = a0;
        slot_test::expectChainGivesListedResults(r, model);
    }
}

// The model's flags are what the report's properties rest on: each must catch its defect.
TEST(BranchSlot, ChainModelCatchesBrokenProbeLists) {
    CaseModel model;
    model.guards = {{s5, 1}};
    const Probe base{Op::Lui, t0, zero, zero, 0x8002};
    struct Broken {
        const char* what;
        std::vector<SlotLine> lines;
        bool ChainOutcome::*flag;
        bool expected;
    };
    const std::vector<Broken> table{
        {"load before any store",
         {{base, 1}, {{Op::Lw, t2, t0, zero, -0x7120}, 2}},
         &ChainOutcome::readsUnwritten,
         true},
        {"add overflows",
         {{{Op::Lui, t0, zero, zero, 0x7fff}, 1}, {{Op::Add, t2, t0, t0}, 2}},
         &ChainOutcome::traps,
         true},
        {"divide by zero", {{{Op::Div, zero, t0, zero}, 1}}, &ChainOutcome::traps, true},
        {"reads a register nothing set",
         {{{Op::Addu, t3, t1, t2}, 1}},
         &ChainOutcome::readsUnset,
         true},
        {"probe reads its own result",
         {{base, 1}, {{Op::Addiu, t0, t0, zero, 1}, 2}},
         &ChainOutcome::agrees,
         false},
        {"a sound pair",
         {{base, 1}, {{Op::Addiu, t1, t0, zero, 1}, 2}},
         &ChainOutcome::agrees,
         true},
    };
    for (const auto& b : table) {
        SCOPED_TRACE(b.what);
        EXPECT_EQ(runChain(b.lines, model, 16, 15).*b.flag, b.expected);
    }
    const std::vector<SlotLine> twoWords{
        {base, 1}, {{Op::Sw, t0, t0, zero, -0x7120}, 2}, {{Op::Sw, t0, t0, zero, 0x120}, 3}};
    EXPECT_EQ(runChain(twoWords, model, 16, 15).dataWords.size(), 2u);
}

} // namespace
