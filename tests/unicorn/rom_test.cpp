// The built ROM on the Unicorn core: 58 of 58 in both switch settings with the reference core's
// board log, the same report routine by routine, and no difference in lockstep.
#include <gtest/gtest.h>

#include <cstring>

#include "coretest/lockstep.h"
#include "coretest/routine_reports.h"
#include "coretest/run.h"
#include "coretest/unicorn_core.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom;

class UnicornRom : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(UnicornRom, PassesWithTheReferenceBoardLog) {
    const RunResult ref = run(rom(), {.switchValue = GetParam()});
    const RunResult uni = run(rom(), {.core = runOnUnicorn, .switchValue = GetParam()});
    EXPECT_EQ(uni.reason, StopReason::Verdict);
    EXPECT_EQ(uni.board.display, 0x3a00003au);
    EXPECT_EQ(uni.board.lampA, 1u);
    EXPECT_EQ(uni.board.lampB, 1u);
    EXPECT_EQ(uni.board.ledBank, 0xffffu);
    // 4 boot writes, 58 result words, 58 switch reads, 2 lamps and the end mark.
    EXPECT_EQ(uni.events.size(), 123u);
    EXPECT_EQ(uni.events, ref.events); // kind, register, value and instruction count
    EXPECT_EQ(uni.instructions, ref.instructions);
    EXPECT_EQ(uni.state.regs, ref.state.regs);
    EXPECT_EQ(uni.state.pc, ref.state.pc);
    EXPECT_FALSE(uni.exception);
    EXPECT_TRUE(uni.romWrites.empty());
}

INSTANTIATE_TEST_SUITE_P(Switch, UnicornRom, ::testing::Values(1u, 0u),
                         [](const auto& info) { return info.param ? "short" : "long_pause"; });

TEST(UnicornRomReport, NamesEveryRoutineAsTheReferenceDoes) {
    const RomMap map = RomMap::load(rom());
    const Diagnosis ref = diagnose(rom(), map, {.switchValue = 1});
    const Diagnosis uni = diagnose(rom(), map, {.core = runOnUnicorn, .switchValue = 1});
    ASSERT_EQ(uni.routines.size(), 58u);
    ASSERT_EQ(ref.routines.size(), 58u);
    for (std::size_t i = 0; i < uni.routines.size(); ++i) {
        SCOPED_TRACE(ref.routines[i].name);
        EXPECT_EQ(uni.routines[i].name, ref.routines[i].name);
        EXPECT_EQ(uni.routines[i].resultWord, ref.routines[i].resultWord);
        EXPECT_TRUE(uni.routines[i].passed);
    }
    EXPECT_TRUE(uni.verdictPassed());
}

TEST(UnicornRomLockstep, FindsNoDifferenceOverTheShortRun) {
    const RomMap map = RomMap::load(rom());
    const LockstepResult r = lockstep(rom(), &map, 1, 10'000'000);
    EXPECT_FALSE(r.difference) << r.difference->describe();
    EXPECT_EQ(r.reason, StopReason::Verdict);
    EXPECT_EQ(r.instructions, run(rom(), {.switchValue = 1}).instructions);
}

// A copy of the ROM with one word of a case replaced by MIPS32's mul, which the reference core
// rejects as reserved and the engine executes.
Image withWord(const Image& image, std::uint32_t address, std::uint32_t word) {
    std::vector<Segment> segments = image.segments();
    for (Segment& s : segments)
        if (const std::uint32_t off = address - s.vaddr; off + 4 <= s.bytes.size())
            std::memcpy(&s.bytes[off], &word, 4);
    return Image(image.entry(), segments, image.symbols(), image.name());
}

TEST(UnicornRomLockstep, NamesTheCaseWhereTheCoresPart) {
    const RomMap map = RomMap::load(rom());
    const RoutineMap* orRoutine = map.routineNamed("n7_or_test");
    ASSERT_NE(orRoutine, nullptr);
    ASSERT_GE(orRoutine->cases.size(), 3u);
    const CaseSpan& third = orRoutine->cases[2];
    const std::uint32_t at = third.begin + 4;
    const std::uint32_t mul = 0x70000002 | 9 << 21 | 10 << 16 | 11 << 11; // mul t3, t1, t2
    const LockstepResult r = lockstep(withWord(rom(), at, mul), &map, 1, 10'000'000);
    ASSERT_TRUE(r.difference);
    EXPECT_EQ(r.difference->pc, at);
    EXPECT_EQ(r.difference->where.caseIndex, 3);
    EXPECT_EQ(r.difference->where.line, third.line);
    EXPECT_EQ(r.difference->where.routine, orRoutine);
    EXPECT_NE(r.difference->describe().find("case 3 of n7_or_test"), std::string::npos)
        << r.difference->describe();
}

} // namespace
} // namespace coretest
