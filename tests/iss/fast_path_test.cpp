// Countdown loops (`addiu r, r, -1; bne r, $zero, back; nop`) run their turns in one step on a
// core without an observer. Whatever it skips must come out exactly as single steps do: the same
// count (also when the instruction limit cuts a turn), registers, pc, board log, exception and
// stop reason. A run with an observer never skips, so it is the single-step reference here.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "coretest/catalogue.h"
#include "coretest/core.h"
#include "coretest/run.h"
#include "support/program.h"
#include "support/rom.h"
#include "support/same_run.h"

namespace coretest {
namespace {

RunResult singleStepped(const Image& image, RunOptions options) {
    Observer silent;
    options.observer = &silent;
    return run(image, options);
}

using coretest_test::expectSameRun;

std::vector<std::uint32_t> countdownHeads(const Image& image) {
    const Board board(image);
    const std::vector<Instr> table = decodeRom(board);
    std::vector<std::uint32_t> heads;
    for (std::size_t n = 0; n < table.size(); ++n)
        if (table[n].dispatch == Op::Countdown)
            heads.push_back(kRomBase + 4 * static_cast<std::uint32_t>(n));
    return heads;
}

// ---- The built ROM ----

class RomFastPath : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(CORETEST_ROM_PATH))
            GTEST_SKIP() << "no ROM at " CORETEST_ROM_PATH;
    }
};

TEST_F(RomFastPath, ThePauseLoopIsTheOneCountdownLoop) {
    const Image& image = coretest_test::rom();
    const std::vector<std::uint32_t> heads = countdownHeads(image);
    const Symbol* pause = image.findSymbol("wait_1s");
    ASSERT_NE(pause, nullptr);
    ASSERT_EQ(heads.size(), 1u);
    EXPECT_GT(heads[0], pause->value);
    EXPECT_LT(heads[0], pause->value + 0x30);
}

struct RomCase {
    std::string_view name;
    std::uint32_t switchValue;
    std::vector<std::string_view> faults;
    std::uint64_t limit;
};

// Switch 0 pauses 2^21 turns after each routine (about 6.3 million instructions); the limits cut
// the run inside a pause at each of a turn's three instructions, and after a few routines with a
// fault in scope, a fault that stops the run early, and whole-ROM faults that hook the loop.
const RomCase kRomCases[] = {
    {"short run", 1, {}, 1'000'000'000},
    {"long pause run", 0, {}, 1'000'000'000},
    {"limit in the first pause", 0, {}, 1'000'000},
    {"limit one later", 0, {}, 1'000'001},
    {"limit two later", 0, {}, 1'000'002},
    {"limit at the last turns of a pause", 0, {}, 6'300'000},
    {"fault in the first routine", 0, {"lui-low-half@n1_lui_test"}, 15'000'000},
    {"fault that stops at an exception", 0, {"addu-traps-overflow@n2_addu_test"}, 15'000'000},
    {"fault that never leaves the reset code", 0, {"no-reset-jump"}, 15'000'000},
    {"whole-ROM fault on the loop's bne", 0, {"bne-never-branches-whole-rom"}, 15'000'000},
    {"whole-ROM fault on the loop's addiu", 0, {"addiu-zero-extends"}, 15'000'000},
    {"whole-ROM fault outside the loop", 0, {"alu-swaps-rs-rt"}, 15'000'000},
    {"two faults, short run", 1, {"lui-low-half@n1_lui_test", "addu-traps-overflow"}, 20'000'000},
};

class RomRuns : public RomFastPath, public ::testing::WithParamInterface<RomCase> {};

TEST_P(RomRuns, FastPathAgreesWithSingleSteps) {
    const RomCase& c = GetParam();
    RunOptions options{.switchValue = c.switchValue, .instructionLimit = c.limit};
    for (std::string_view f : c.faults)
        options.faults.push_back(parseFaultSelection(f));
    const RunResult fast = run(coretest_test::rom(), options);
    const RunResult stepped = singleStepped(coretest_test::rom(), options);
    expectSameRun(fast, stepped);
}

std::string testName(std::string_view name) {
    std::string n(name);
    std::replace_if(
        n.begin(), n.end(), [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); },
        '_');
    return n;
}

INSTANTIATE_TEST_SUITE_P(Cases, RomRuns, ::testing::ValuesIn(kRomCases),
                         [](const auto& info) { return testName(info.param.name); });

// ---- Small programs ----

// A countdown from `start` with work before and after it (t2 ends at 8); `loop` is the head.
std::string countdownFrom(std::uint32_t start) {
    return fmt::format(R"(
    addiu $t0, $zero, {}
    addiu $t1, $zero, 7
loop:
    addiu $t0, $t0, -1
    bne $t0, $zero, loop
    nop
    addiu $t2, $t1, 1
)",
                       start);
}

struct ProgramCase {
    std::string_view name;
    std::string body;
    bool countdown;    // the decoded program has a countdown loop
    std::uint32_t reg; // checked against `value` after a complete run
    std::uint32_t value;
};

const ProgramCase kPrograms[] = {
    {"ten turns", countdownFrom(10), true, 10, 8},
    {"bne with the operands the other way", R"(
    addiu $s0, $zero, 9
loop:
    addiu $s0, $s0, -1
    bne $zero, $s0, loop
    nop
    addiu $s1, $s0, 3
)",
     true, 17, 3},
    // Entered as the delay slot of a branch, the head runs once and control leaves the loop.
    {"head in a delay slot", R"(
    addiu $t0, $zero, 10
    b out
loop:
    addiu $t0, $t0, -1
    bne $t0, $zero, loop
    nop
out:
    addiu $t3, $t0, 0
)",
     true, 11, 9},
    // Look-alikes that are not countdowns must run every turn.
    {"delay slot that counts", R"(
    addiu $t0, $zero, 10
loop:
    addiu $t0, $t0, -1
    bne $t0, $zero, loop
    addiu $t1, $t1, 1
)",
     false, 9, 10},
    {"step of two", R"(
    addiu $t0, $zero, 10
loop:
    addiu $t0, $t0, -2
    bne $t0, $zero, loop
    nop
    addiu $t3, $t0, 5
)",
     false, 11, 5},
    {"counter tested is another register", R"(
    addiu $t0, $zero, 10
    addiu $t1, $zero, 4
loop:
    addiu $t0, $t0, -1
    bne $t1, $zero, loop
    addiu $t1, $t1, -1
)",
     false, 8, 5},
};

class Programs : public ::testing::TestWithParam<ProgramCase> {};

// Every limit from 1 to past the end stops at that count, in the same state as single steps.
TEST_P(Programs, EveryLimitAgreesWithSingleSteps) {
    const ProgramCase& c = GetParam();
    const Image image = testing::assemble(c.body);
    EXPECT_EQ(countdownHeads(image).size(), c.countdown ? 1u : 0u);
    const RunResult whole = run(image, {.instructionLimit = 100'000});
    ASSERT_EQ(whole.reason, StopReason::IdleNoVerdict) << stopReasonName(whole.reason);
    EXPECT_EQ(whole.state.regs[c.reg], c.value);
    for (std::uint64_t limit = 1; limit <= whole.instructions + 1; ++limit) {
        SCOPED_TRACE("limit " + std::to_string(limit));
        const RunResult fast = run(image, {.instructionLimit = limit});
        EXPECT_EQ(fast.instructions, std::min(limit, whole.instructions));
        expectSameRun(fast, singleStepped(image, {.instructionLimit = limit}));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Programs, ::testing::ValuesIn(kPrograms),
                         [](const auto& info) { return testName(info.param.name); });

// A watch on any of the loop's three instructions sees every turn.
TEST(Countdown, WatchedLoopRunsEveryTurn) {
    const Image image = testing::assemble(countdownFrom(10));
    const std::uint32_t head = image.findSymbol("loop")->value;
    const RunResult unwatched = run(image, {.instructionLimit = 1000});
    for (std::uint32_t watched : {head, head + 4, head + 8}) {
        int arrivals = 0;
        const RunResult r = run(image, {.instructionLimit = 1000,
                                        .watches = {watched},
                                        .onWatch = [&](const WatchHit&) { ++arrivals; }});
        EXPECT_EQ(arrivals, 10) << std::hex << watched;
        expectSameRun(r, unwatched);
    }
}

// From zero the counter wraps and the loop turns 2^32 times: three instructions more per turn
// than a count of five gives five turns.
TEST(Countdown, ACounterOfZeroTurnsTwoToThe32Times) {
    const auto runFrom = [](std::uint32_t start) {
        return run(testing::assemble(countdownFrom(start)), {.instructionLimit = 20'000'000'000});
    };
    const RunResult five = runFrom(5);
    const RunResult zero = runFrom(0);
    ASSERT_EQ(zero.reason, StopReason::IdleNoVerdict) << stopReasonName(zero.reason);
    EXPECT_EQ(zero.instructions - five.instructions, 3 * ((std::uint64_t{1} << 32) - 5));
    EXPECT_EQ(zero.state.regs[8], 0u);
    EXPECT_EQ(zero.state.regs[10], 8u);
}

} // namespace
} // namespace coretest
