// Branches and jumps: targets, the one delay slot, link values and the last taken branch.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "support/program.h"

namespace coretest {
namespace {

// a0 = 5, a1 = -5 before the code; the code sets v0 and v1 (both start at 0) and may jump
// to "skip" (which the helper places after it). The table lists v0, v1 as the code leaves them.
struct FlowCase {
    std::string_view name;
    std::string_view code;
    std::uint32_t v0, v1;
};

const FlowCase kFlows[] = {
    {"taken branch runs its delay slot and skips the rest",
     "beq $a0, $a0, skip\n addiu $v0, $zero, 1\n addiu $v1, $zero, 2", 1, 0},
    {"not-taken branch runs its delay slot and falls through",
     "bne $a0, $a0, skip\n addiu $v0, $zero, 1\n addiu $v1, $zero, 2", 1, 2},
    {"backward branch",
     "b 2f\n nop\n1: addiu $v1, $zero, 3\n b skip\n nop\n2: b 1b\n addiu $v0, $zero, 4", 4, 3},
    {"bltz on negative", "bltz $a1, skip\n nop\n addiu $v0, $zero, 1", 0, 0},
    {"bltz on zero", "bltz $zero, skip\n nop\n addiu $v0, $zero, 1", 1, 0},
    {"bgez on zero", "bgez $zero, skip\n nop\n addiu $v0, $zero, 1", 0, 0},
    {"bgez on negative", "bgez $a1, skip\n nop\n addiu $v0, $zero, 1", 1, 0},
    {"bgtz on zero", "bgtz $zero, skip\n nop\n addiu $v0, $zero, 1", 1, 0},
    {"bgtz on positive", "bgtz $a0, skip\n nop\n addiu $v0, $zero, 1", 0, 0},
    {"blez on zero", "blez $zero, skip\n nop\n addiu $v0, $zero, 1", 0, 0},
    {"blez on positive", "blez $a0, skip\n nop\n addiu $v0, $zero, 1", 1, 0},
    {"bne compares whole words", "bne $a0, $a1, skip\n nop\n addiu $v0, $zero, 1", 0, 0},
    {"j", "j skip\n addiu $v0, $zero, 1\n addiu $v1, $zero, 2", 1, 0},
    {"jr",
     "lui $t0, %hi(skip)\n addiu $t0, $t0, %lo(skip)\n jr $t0\n addiu $v0, $zero, 1\n"
     " addiu $v1, $zero, 2",
     1, 0},
    {"jal links to the instruction after the delay slot",
     "here: jal 1f\n nop\n addiu $v1, $zero, 9\n1: lui $t0, %hi(here + 8)\n"
     " addiu $t0, $t0, %lo(here + 8)\n subu $v0, $ra, $t0",
     0, 0},
    {"jalr links into rd",
     "lui $t0, %hi(1f)\n addiu $t0, $t0, %lo(1f)\nhere: jalr $v1, $t0\n nop\n"
     "1: lui $t0, %hi(here + 8)\n addiu $t0, $t0, %lo(here + 8)\n"
     " subu $v1, $v1, $t0",
     0, 0},
    {"jalr reads rs before it links",
     "lui $t0, %hi(1f)\n addiu $t0, $t0, %lo(1f)\n"
     " .word 0x01004009 # jalr $t0, $t0\n nop\n addiu $v0, $zero, 1\n1:",
     0, 0},
    {"bltzal links when not taken",
     "here: bltzal $a0, skip\n nop\n lui $t0, %hi(here + 8)\n"
     " addiu $t0, $t0, %lo(here + 8)\n subu $v0, $ra, $t0\n"
     " addiu $v1, $zero, 1",
     0, 1},
    {"bgezal links when taken",
     "here: bgezal $a0, 1f\n nop\n addiu $v1, $zero, 1\n"
     "1: lui $t0, %hi(here + 8)\n addiu $t0, $t0, %lo(here + 8)\n"
     " subu $v0, $ra, $t0",
     0, 0},
    {"bgezal tests rs before it links ra",
     "addiu $ra, $zero, 1\n"
     " .word 0x07f10002 # bgezal $ra, skip\n nop\n"
     " addiu $v0, $zero, 1",
     0, 0},
    {"mflo right after mult sees the product", "mult $a0, $a1\n mflo $v0\n mfhi $v1", 0xffffffe7,
     0xffffffff},
};

class Flow : public ::testing::TestWithParam<FlowCase> {};

TEST_P(Flow, ControlReachesTheRightPlaces) {
    const FlowCase& c = GetParam();
    const RunResult r = testing::runProgram(
        fmt::format("    addiu $a0, $zero, 5\n    addiu $a1, $zero, -5\n{}\nskip:\n", c.code));
    ASSERT_EQ(r.reason, StopReason::IdleNoVerdict) << stopReasonName(r.reason);
    EXPECT_EQ(r.state.regs[2], c.v0) << fmt::format("v0 = {:#010x}", r.state.regs[2]);
    EXPECT_EQ(r.state.regs[3], c.v1) << fmt::format("v1 = {:#010x}", r.state.regs[3]);
}

INSTANTIATE_TEST_SUITE_P(Cases, Flow, ::testing::ValuesIn(kFlows), [](const auto& info) {
    std::string n(info.param.name);
    for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return n;
});

TEST(LastBranch, NamesTheBranchThatReachedAWatchedAddress) {
    const Image image = testing::assemble(R"(
    addiu $a0, $zero, 1
first:
    bne $a0, $zero, target
    nop
    nop
target:
    addiu $a0, $a0, -1
second:
    beq $a0, $zero, target
    nop
)");
    std::vector<std::uint32_t> seen;
    RunOptions o{.instructionLimit = 1000};
    o.watches = {image.findSymbol("target")->value};
    o.onWatch = [&](const WatchHit& hit) { seen.push_back(hit.state.lastBranch); };
    run(image, o);
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{image.findSymbol("first")->value,
                                                image.findSymbol("second")->value}));
}

TEST(RamCode, IsFetchedAndDecodedFromRam) {
    const RunResult r = testing::runProgram(R"(
    lui $t9, 0x8000
    jalr $t9
    nop
    addiu $v1, $v0, 1
)",
                                            {}, R"(
ram_routine:
    addiu $v0, $zero, 7
    jr $ra
    nop
)");
    EXPECT_EQ(r.reason, StopReason::IdleNoVerdict);
    EXPECT_EQ(r.state.regs[2], 7u);
    EXPECT_EQ(r.state.regs[3], 8u);
}

} // namespace
} // namespace coretest
