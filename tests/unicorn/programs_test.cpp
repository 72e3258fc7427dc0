// The generated programs on both cores: the same ending, state, exception and board log, and no
// difference instruction by instruction.
#include <gtest/gtest.h>

#include "coretest/lockstep.h"
#include "coretest/run.h"
#include "coretest/unicorn_core.h"
#include "generated_programs.h"
#include "program_image.h"
#include "support/same_run.h"

namespace coretest {
namespace {

using testing::generatedPrograms;

constexpr int kPerFamily = 12;
constexpr std::uint64_t kLimit = 100'000;

RunResult runOn(CoreRunner core, const Image& image) {
    return run(image, {.core = core, .switchValue = 1, .instructionLimit = kLimit});
}

TEST(GeneratedPrograms, EndAsTheirGeneratorExpects) {
    for (const auto& p : generatedPrograms(kPerFamily)) {
        SCOPED_TRACE(p.name);
        const RunResult r = runOn(runOnUnicorn, p.image);
        if (!p.exception) {
            EXPECT_EQ(r.reason, StopReason::Verdict);
            EXPECT_FALSE(r.exception);
            continue;
        }
        EXPECT_EQ(r.reason, StopReason::ExceptionIdle);
        ASSERT_TRUE(r.exception);
        EXPECT_EQ(r.exception->cause, p.exception->cause) << causeName(r.exception->cause);
        EXPECT_EQ(r.exception->pc, p.exception->pc);
        EXPECT_EQ(r.exception->badAddress, p.exception->badAddress);
        EXPECT_EQ(r.exception->delaySlot, p.exception->delaySlot);
    }
}

TEST(GeneratedPrograms, BothCoresFinishInTheSameState) {
    for (const auto& p : generatedPrograms(kPerFamily)) {
        SCOPED_TRACE(p.name);
        const RunResult ref = runOn(nullptr, p.image);
        const RunResult uni = runOn(runOnUnicorn, p.image);
        coretest_test::expectSameRun(uni, ref);
    }
}

TEST(GeneratedPrograms, LockstepFindsNoDifference) {
    for (const auto& p : generatedPrograms(kPerFamily)) {
        SCOPED_TRACE(p.name);
        const LockstepResult r = lockstep(p.image, nullptr, 1, kLimit);
        EXPECT_FALSE(r.difference) << r.difference->describe();
        EXPECT_EQ(r.reason, p.exception ? StopReason::ExceptionIdle : StopReason::Verdict);
        EXPECT_GT(r.instructions, 50u);
    }
}

// MIPS32's mul is a reserved instruction to a MIPS-I core; the engine executes it.
TEST(Lockstep, ReportsTheFirstInstructionWhereTheCoresPart) {
    testing::ProgramBuilder b;
    b.load(9, 6);
    b.load(10, 7);
    const std::uint32_t mul = b.emit(0x70000002 | 9 << 21 | 10 << 16 | 11 << 11);
    b.finish();
    const LockstepResult r = lockstep(b.image(), nullptr, 1, kLimit);
    ASSERT_TRUE(r.difference);
    EXPECT_EQ(r.difference->pc, mul);
    // The reset branch and its slot, two lui/ori pairs, mul.
    EXPECT_EQ(r.difference->instruction, 7u);
    EXPECT_NE(r.difference->what.find("the reference core raises an exception; your core completed "
                                      "the instruction"),
              std::string::npos)
        << r.difference->what;
    EXPECT_NE(r.difference->describe().find("0xbfc00410"), std::string::npos);
}

} // namespace
} // namespace coretest
