// The ROM on the reference core: boot pattern, the display sequence, the pause, the verdict and
// the idle loops, with faults that end the run at each of its exits.
#include <gtest/gtest.h>

#include <algorithm>

#include "coretest/catalogue.h"
#include "coretest/fault.h"
#include "coretest/run.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom;

RunResult runWith(std::uint32_t switchValue, std::vector<FaultSelection> faults = {}) {
    RunOptions o;
    o.switchValue = switchValue;
    o.faults = std::move(faults);
    return run(rom(), o);
}

std::vector<BoardEvent> writes(const RunResult& r) {
    std::vector<BoardEvent> out;
    std::copy_if(r.events.begin(), r.events.end(), std::back_inserter(out),
                 [](const BoardEvent& e) { return e.kind == BoardEvent::Kind::Write; });
    return out;
}

std::vector<std::uint32_t> displayWrites(const RunResult& r) {
    std::vector<std::uint32_t> out;
    for (const auto& e : writes(r))
        if (e.reg == BoardReg::Display) out.push_back(e.value);
    return out;
}

// Faults of the frame's report path that these tests confine to chosen routines.
const FaultDef kErrorFlagTaken{"test-error-flag-taken",
                               "bne (and so bnez s2) always branches",
                               "",
                               [](FaultSite& site) {
                                   site.replace(Op::Bne,
                                                [](auto& c, const Instr& i) { c.branch(i, true); });
                               },
                               {}};

FaultSelection failRoutine(const char* routine) {
    return {&kErrorFlagTaken, routine};
}

TEST(Boot, WritesLampsLedBankAndDisplayInOrder) {
    const auto w = writes(runWith(1));
    ASSERT_GE(w.size(), 4u);
    const std::vector<std::pair<BoardReg, std::uint32_t>> boot{{BoardReg::LampB, 2},
                                                               {BoardReg::LampA, 1},
                                                               {BoardReg::LedBank, 0xffff},
                                                               {BoardReg::Display, 0}};
    for (std::size_t i = 0; i < boot.size(); ++i) {
        EXPECT_EQ(w[i].reg, boot[i].first) << "boot write " << i;
        EXPECT_EQ(w[i].value, boot[i].second) << "boot write " << i;
    }
}

TEST(Verdict, PassingRunCountsUpTheDisplayAndEndsWithTheMarkLast) {
    const RunResult r = runWith(1);
    ASSERT_EQ(r.reason, StopReason::Verdict);
    const auto d = displayWrites(r);
    ASSERT_EQ(d.size(), 59u);
    for (std::uint32_t n = 1; n <= 58; ++n)
        EXPECT_EQ(d[n], n << 24 | n) << "routine " << n;
    const auto w = writes(r);
    ASSERT_GE(w.size(), 3u);
    EXPECT_EQ(w[w.size() - 3].reg, BoardReg::LampB);
    EXPECT_EQ(w[w.size() - 2].reg, BoardReg::LampA);
    EXPECT_EQ(w.back().reg, BoardReg::EndMark);
    EXPECT_EQ(w.back().value, 0xffu);
    EXPECT_EQ(r.board, (BoardState{0xffff, 1, 1, 0x3a00003a, 0xff}));
}

struct FailureCase {
    const char* routine;
    std::uint32_t afterRoutine; // display word written by that routine
    std::uint32_t finalDisplay;
    friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.routine; }
};

class OneRoutineFails : public ::testing::TestWithParam<FailureCase> {};

TEST_P(OneRoutineFails, ShowsItsNumberWithTheOldPassCountAndFailsTheVerdict) {
    const FailureCase& c = GetParam();
    const RunResult r = runWith(1, {failRoutine(c.routine)});
    ASSERT_EQ(r.reason, StopReason::Verdict);
    const auto d = displayWrites(r);
    ASSERT_EQ(d.size(), 59u);
    const std::uint32_t n = c.afterRoutine >> 24;
    EXPECT_EQ(d[n], c.afterRoutine);
    EXPECT_EQ(r.board, (BoardState{0, 2, 2, c.finalDisplay, 0xff}));
    const auto w = writes(r);
    EXPECT_EQ(w[w.size() - 4].reg, BoardReg::LedBank);
    EXPECT_EQ(w[w.size() - 3].reg, BoardReg::LampB);
    EXPECT_EQ(w[w.size() - 2].reg, BoardReg::LampA);
    EXPECT_EQ(w.back().reg, BoardReg::EndMark);
}

INSTANTIATE_TEST_SUITE_P(Frame, OneRoutineFails,
                         ::testing::Values(FailureCase{"n1_lui_test", 0x01000000, 0x3a000039},
                                           FailureCase{"n7_or_test", 0x07000006, 0x3a000039},
                                           FailureCase{"n58_jalr_ds_test", 0x3a000039, 0x3a000039}),
                         [](const auto& info) { return std::string(info.param.routine); });

TEST(Verdict, ErrorFlagTestThatAlwaysBranchesFailsEveryRoutine) {
    std::vector<FaultSelection> all;
    for (int n = 1; n <= 58; ++n) {
        const Symbol* s = nullptr;
        for (const auto& sym : rom().symbols())
            if (sym.name.starts_with("n" + std::to_string(n) + "_") && sym.name.ends_with("_test"))
                s = &sym;
        ASSERT_NE(s, nullptr) << n;
        all.push_back(failRoutine(s->name.c_str()));
    }
    const RunResult r = runWith(1, all);
    EXPECT_EQ(r.board.display, 0x3a000000u);
    EXPECT_EQ(r.board.lampA, 2u);
}

TEST(Verdict, OnlyTheLastRoutinePassing) {
    std::vector<FaultSelection> faults;
    for (const auto& sym : rom().symbols())
        if (sym.name.ends_with("_test") && sym.name != "n58_jalr_ds_test" && sym.type == 2)
            faults.push_back(failRoutine(sym.name.c_str()));
    ASSERT_EQ(faults.size(), 57u);
    EXPECT_EQ(runWith(1, faults).board.display, 0x3a000001u);
}

// The linking routines report a failure while ra may still hold a link address inside the case;
// their report block returns through s7, so the run goes on to the next routine and its verdict.
struct LinkFailure {
    const char* fault;
    int routineNumber;
    friend void PrintTo(const LinkFailure& c, std::ostream* os) { *os << c.fault; }
};

class LinkingRoutineFails : public ::testing::TestWithParam<LinkFailure> {};

TEST_P(LinkingRoutineFails, ReportsAndEveryLaterRoutineStillRuns) {
    const FaultDef* fault = findFault(GetParam().fault);
    ASSERT_NE(fault, nullptr);
    const RunResult r = runWith(1, {campaignSelection(*fault)});
    ASSERT_EQ(r.reason, StopReason::Verdict);
    const auto d = displayWrites(r);
    ASSERT_EQ(d.size(), 59u);
    const std::uint32_t n = static_cast<std::uint32_t>(GetParam().routineNumber);
    for (std::uint32_t k = 1; k <= 58; ++k) {
        const std::uint32_t passed = k < n ? k : k - 1;
        EXPECT_EQ(d[k], k << 24 | passed) << "after routine " << k;
    }
    EXPECT_EQ(r.board, (BoardState{0, 2, 2, 0x3a000039, 0xff}));
}

INSTANTIATE_TEST_SUITE_P(ReportPath, LinkingRoutineFails,
                         ::testing::Values(LinkFailure{"jal-ds-links-without-jumping", 19},
                                           LinkFailure{"jal-ds-slot-annulled", 19},
                                           LinkFailure{"bltzal-ds-untaken-slot-annulled", 56},
                                           LinkFailure{"bltzal-ds-links-without-branching", 56},
                                           LinkFailure{"bgezal-ds-untaken-slot-annulled", 57},
                                           LinkFailure{"bgezal-ds-links-without-branching", 57},
                                           LinkFailure{"jalr-ds-links-without-jumping", 58},
                                           LinkFailure{"jalr-ds-slot-drops-muldiv", 58}),
                         [](const auto& info) {
                             std::string name(info.param.fault);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// Instructions of one pause beyond the short one: the lui that loads 0x200000 and 0x200000 more
// turns of the three-instruction loop.
constexpr std::uint64_t kLongPauseExtra = 1 + 3 * 0x200000ull;

TEST(Pause, ZeroSwitchRunsTheLoop0x200001TimesPerPause) {
    const RunResult fast = runWith(1), slow = runWith(0);
    ASSERT_EQ(slow.reason, StopReason::Verdict);
    EXPECT_EQ(slow.instructions - fast.instructions, 58 * kLongPauseExtra);
}

TEST(Pause, AnyNonZeroSwitchGivesTheShortPause) {
    const std::uint64_t one = runWith(1).instructions;
    for (std::uint32_t v : {0x80000000u, 0x00000001u, 0xffffffffu, 0x00010000u})
        EXPECT_EQ(runWith(v).instructions, one) << std::hex << v;
}

TEST(Pause, EveryPauseReadsTheSwitchOnce) {
    const RunResult r = runWith(1);
    const auto reads = std::count_if(r.events.begin(), r.events.end(), [](const BoardEvent& e) {
        return e.kind == BoardEvent::Kind::Read;
    });
    const auto switchReads =
        std::count_if(r.events.begin(), r.events.end(), [](const BoardEvent& e) {
            return e.kind == BoardEvent::Kind::Read && e.reg == BoardReg::Switch;
        });
    EXPECT_EQ(switchReads, 58);
    EXPECT_EQ(reads, 58) << "no other board register is ever read";
}

TEST(IdleLoops, CoreThatSkipsTheResetJumpIdlesInTestFinishWithoutBoardWrites) {
    const RunResult r = runWith(1, {parseFaultSelection("no-reset-jump")});
    EXPECT_EQ(r.reason, StopReason::IdleNoVerdict);
    EXPECT_TRUE(r.events.empty());
    EXPECT_EQ(r.pc() & ~0xfu, rom().findSymbol("test_finish")->value);
}

TEST(IdleLoops, CoreThatFallsThroughTestFinishEndsInTheExceptionLoop) {
    const RunResult r = runWith(1, {parseFaultSelection("finish-falls-through")});
    EXPECT_EQ(r.reason, StopReason::StrayIdle);
    EXPECT_FALSE(r.exception.has_value());
    EXPECT_TRUE(r.board.endMarked()) << "the verdict was written before the core strayed";
    EXPECT_GE(r.pc(), kExceptionVector);
    EXPECT_LT(r.pc(), kExceptionVector + 12);
}

TEST(IdleLoops, ExceptionEndsInTheVectorLoopKeepingTheDisplay) {
    // An exception raised by the report block of routine 7 (its sw), before it writes its word.
    const FaultDef trap{
        "test-sll-traps",
        "sll raises an exception",
        "",
        [](FaultSite& site) {
            site.replace(Op::Sw, [](auto& c, const Instr&) { c.raise(ExceptionCause::Reserved); });
        },
        {}};
    const RunResult r = runWith(1, {{&trap, "n7_or_test"}});
    EXPECT_EQ(r.reason, StopReason::ExceptionIdle);
    ASSERT_TRUE(r.exception.has_value());
    EXPECT_EQ(r.exception->cause, ExceptionCause::Reserved);
    const Symbol* n7 = rom().findSymbol("n7_or_test");
    EXPECT_EQ(r.exception->pc, n7->value + n7->size - 12) << "sw, jr, nop end the routine";
    EXPECT_EQ(r.board.display, 0x06000006u);
    EXPECT_FALSE(r.board.endMarked());
}

} // namespace
} // namespace coretest
