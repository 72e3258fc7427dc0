// The second ROM on the reference core: the pass verdict and the board as the first ROM reports
// it; catalogue faults fail the routines that test what they break, and only those; an
// unexpected exception ends the run on the routine it happened in; the load delay slot passes
// either way.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "coretest/catalogue.h"
#include "coretest/rom_map.h"
#include "coretest/routine_reports.h"
#include "coretest/run.h"
#include "rom2_support.h"

namespace rom2test {
namespace {

using namespace coretest;

const Image& image() {
    static const Image loaded = Image::load(kImagePath);
    return loaded;
}
const RomMap& romMap() {
    static const RomMap map = RomMap::load(image());
    return map;
}

constexpr unsigned kS4 = 20; // $s4: the reads of a load delay slot that saw the old value

RunOptions shortRun(std::vector<std::string> faults = {}) {
    RunOptions o{.switchValue = 1, .instructionLimit = 5'000'000};
    for (const auto& f : faults)
        o.faults.push_back(parseFaultSelection(f));
    return o;
}

TEST(Rom2Run, PassesWithTheFirstRomsReports) {
    const RunResult r = run(image(), shortRun());
    ASSERT_EQ(r.reason, StopReason::Verdict) << stopReasonName(r.reason);
    EXPECT_EQ(r.board, (BoardState{.ledBank = 0xffff,
                                   .lampA = 1,
                                   .lampB = 1,
                                   .display = 82u << 24 | 24,
                                   .endMark = 0xff}));
    std::vector<std::uint32_t> displays;
    for (const auto& e : r.events)
        if (e.kind == BoardEvent::Kind::Write && e.reg == BoardReg::Display)
            displays.push_back(e.value);
    std::vector<std::uint32_t> expected{0};
    for (std::uint32_t n = 59; n <= 82; ++n)
        expected.push_back(n << 24 | (n - 58));
    EXPECT_EQ(displays, expected);
    EXPECT_EQ(r.state.regs[kS4], 0u) << "the reference core's load delay slot gives the new value";
    EXPECT_LT(r.instructions, 100'000u);
}

TEST(Rom2Run, LongPauseWithTheSwitchOff) {
    RunOptions o = shortRun();
    o.switchValue = 0;
    o.instructionLimit = 1'000'000'000;
    const RunResult r = run(image(), o);
    ASSERT_EQ(r.reason, StopReason::Verdict);
    EXPECT_EQ(r.board.display, 82u << 24 | 24);
    EXPECT_GT(r.instructions, 24u * 3 * 0x200000) << "the pause after every routine";
}

struct FaultCase {
    std::vector<std::string> faults;
    std::set<int> failing; // routines that report a failure
};

class Rom2Faults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(Rom2Faults, FailTheRoutinesThatTestWhatTheyBreak) {
    const FaultCase& c = GetParam();
    const Diagnosis d = diagnose(image(), romMap(), shortRun(c.faults));
    ASSERT_EQ(d.run.reason, StopReason::Verdict) << stopReasonName(d.run.reason);
    EXPECT_FALSE(d.verdictPassed());
    EXPECT_EQ(d.run.board.lampA, 2u);
    EXPECT_EQ(d.run.board.lampB, 2u);
    std::set<int> failing;
    for (const auto& report : d.routines)
        if (!report.passed) failing.insert(report.number);
    EXPECT_EQ(failing, c.failing);
    EXPECT_EQ(d.run.board.display, 82u << 24 | (24 - static_cast<unsigned>(c.failing.size())));
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, Rom2Faults,
    ::testing::Values(
        FaultCase{{"sb-sh-write-whole-word"}, {63, 64}},
        FaultCase{{"delay-slot-store-dropped"}, {63, 64, 73, 81}},
        FaultCase{{"add-ignores-overflow"}, {77}}, FaultCase{{"addi-ignores-overflow"}, {77}},
        FaultCase{{"sub-ignores-overflow"}, {77}}, FaultCase{{"link-address-plus-4"}, {73}},
        FaultCase{{"jal-links-delay-slot"}, {73}},
        FaultCase{{"hilo-read-before-muldiv-done"}, {74, 75}}, FaultCase{{"mthi-late"}, {72, 74}},
        FaultCase{{"hilo-move-forwarding-missing"}, {74}}, FaultCase{{"mult-unsigned"}, {74, 75}},
        FaultCase{{"forwarding-ex-ex-missing@n69_hz_alu"}, {69}},
        FaultCase{{"forwarding-ex-ex-missing@n70_hz_shift"}, {70}},
        FaultCase{{"forwarding-mem-ex-missing@n71_hz_load"}, {71}},
        FaultCase{{"store-data-forwarding-missing@n69_hz_alu"}, {69}},
        FaultCase{{"forwarding-wb-id-missing@n73_hz_link"}, {73}},
        FaultCase{{"taken-branch-annuls-delay-slot@n61_lh"}, {61}},
        FaultCase{{"taken-branch-annuls-delay-slot@n78_syscall"}, {78}}));

TEST(Rom2Run, AnUnexpectedExceptionEndsTheRunOnItsRoutine) {
    // addu trapping on overflow: the first ALU hazard case whose addu overflows traps, and no
    // case announced it.
    const RunResult r = run(image(), shortRun({"addu-traps-overflow"}));
    ASSERT_EQ(r.reason, StopReason::Verdict) << stopReasonName(r.reason);
    ASSERT_TRUE(r.exception);
    EXPECT_EQ(romMap().caseAt(r.exception->pc).routine->number, 69);
    EXPECT_EQ(
        r.board,
        (BoardState{
            .ledBank = 0, .lampA = 2, .lampB = 2, .display = 69u << 24 | 10, .endMark = 0xff}))
        << "routine 69 shown with the ten routines before it passed";
}

TEST(Rom2Run, TheLoadDelaySlotMayShowTheOldValue) {
    // A core whose load delay slot shows the old value passes every case that reads a loaded
    // register at once, and counts them in $s4; the lwl/lwr pairs, which MIPS I runs back to
    // back on one register, are what it fails.
    const Diagnosis d = diagnose(image(), romMap(), shortRun({"load-delay-slot-visible"}));
    ASSERT_EQ(d.run.reason, StopReason::Verdict);
    std::set<int> failing;
    for (const auto& report : d.routines)
        if (!report.passed) failing.insert(report.number);
    EXPECT_EQ(failing, (std::set<int>{65, 66}));
    // ld_use in 59 to 62 (8 + 8 + 4 + 4 cases) and hz_load at distance 1 (4 consumers, twice).
    EXPECT_EQ(d.run.state.regs[kS4], 32u);
}

} // namespace
} // namespace rom2test
