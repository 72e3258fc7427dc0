// The run loop one instruction at a time, as random programs, the live checker and lockstep use
// it: a run without an observer (Core<false>), one with an observer (Core<true>) and a stepped run
// advanced in slices of any size must agree to the instruction on programs that use every kind of
// operation, code fetched from RAM (including code that a store has just rewritten), exceptions,
// faults and any instruction limit.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coretest/catalogue.h"
#include "coretest/run.h"
#include "support/program.h"
#include "support/same_run.h"

namespace coretest {
namespace {

// Records every retirement and write, so that two runs can be compared event by event.
class Recorder : public Observer {
  public:
    void regWritten(std::uint32_t pc, unsigned reg, std::uint32_t value) override {
        log.push_back(fmt::format("{:08x} r{}={:08x}", pc, reg, value));
    }
    void hiWritten(std::uint32_t pc, std::uint32_t value) override {
        log.push_back(fmt::format("{:08x} hi={:08x}", pc, value));
    }
    void loWritten(std::uint32_t pc, std::uint32_t value) override {
        log.push_back(fmt::format("{:08x} lo={:08x}", pc, value));
    }
    void memoryWritten(std::uint32_t pc, std::uint32_t addr, unsigned size,
                       std::uint32_t value) override {
        log.push_back(fmt::format("{:08x} m{}[{:08x}]={:08x}", pc, size, addr, value));
    }
    void exceptionTaken(const ExceptionRecord& r) override {
        log.push_back(fmt::format("{:08x} exception {}", r.pc, static_cast<int>(r.cause)));
    }
    void retired(std::uint32_t pc, std::uint64_t count) override {
        log.push_back(fmt::format("{:08x} retired #{}", pc, count));
        retirements = count;
    }
    std::vector<std::string> log;
    std::uint64_t retirements = 0;
};

using coretest_test::expectSameRun;

// Every operation kind in a loop of 40 turns: arithmetic, shifts, compares, HI/LO, whole and
// partial-word memory, calls and returns, taken and untaken branches. s0 is a checksum.
const std::string kMixed = R"(
    lui $t9, 0x8000
    addiu $s1, $zero, 40
    lui $s0, 0x1234
    ori $s0, $s0, 0x5678
turn:
    addu $t0, $s0, $s1
    subu $t1, $t0, $s1
    sll $t2, $t0, 3
    srl $t3, $t0, 5
    sra $t4, $t0, 7
    sllv $t5, $t0, $s1
    srlv $t6, $t0, $s1
    srav $t7, $t0, $s1
    and $t2, $t2, $t3
    or $t3, $t3, $t4
    xor $t4, $t4, $t5
    nor $t5, $t5, $t6
    slt $t6, $t0, $t1
    sltu $t7, $t0, $t1
    slti $t8, $t0, -5
    sltiu $t8, $t0, 77
    andi $a0, $t0, 0xff0f
    ori $a1, $t0, 0x0f0f
    xori $a2, $t0, 0x5555
    mult $t0, $t1
    mflo $a3
    mfhi $v0
    multu $t0, $s1
    mflo $v1
    div $zero, $t0, $s1
    mfhi $a0
    divu $zero, $t0, $s1
    mflo $a1
    mthi $t2
    mtlo $t3
    mfhi $a2
    sw $t0, 0($t9)
    sh $t1, 4($t9)
    sb $t2, 7($t9)
    swl $t3, 9($t9)
    swr $t4, 14($t9)
    lw $v0, 0($t9)
    lh $v1, 4($t9)
    lhu $a3, 6($t9)
    lb $t5, 7($t9)
    lbu $t6, 5($t9)
    lwl $t7, 9($t9)
    lwr $t7, 14($t9)
    addu $s0, $s0, $t2
    xor $s0, $s0, $t3
    addu $s0, $s0, $t4
    xor $s0, $s0, $t5
    addu $s0, $s0, $t6
    xor $s0, $s0, $t7
    addu $s0, $s0, $a0
    xor $s0, $s0, $a1
    addu $s0, $s0, $a2
    xor $s0, $s0, $a3
    addu $s0, $s0, $v0
    xor $s0, $s0, $v1
    jal mix
    addiu $t9, $t9, 16
    bltzal $s0, 1f
    nop
1:  bgezal $s0, 2f
    nop
2:  andi $t0, $s1, 1
    beq $t0, $zero, 3f
    addiu $s0, $s0, 1
    bgtz $t0, 3f
    addiu $s0, $s0, 3
3:  blez $t0, 4f
    nop
    bltz $t0, 4f
    nop
    bgez $t0, 4f
    addiu $s0, $s0, 5
4:  addiu $s1, $s1, -1
    bne $s1, $zero, turn
    nop
    b test_finish
    nop
mix:
    sll $t0, $s0, 13
    xor $s0, $s0, $t0
    la $t1, back
    jr $t1
    srl $t0, $s0, 17
back:
    xor $s0, $s0, $t0
    jr $ra
    nop
)";

// Copies a two-instruction routine (addiu $v0, $v0, 1; jr $ra, with a nop slot) to RAM and calls
// it; then stores a new first word (addiu $v0, $v0, 0x100) over it and calls it again, 10 times
// each way: v0 ends at 10 + 10 * 0x100 only if the stored word is the one executed.
const std::string kRewrittenCode = R"(
    lui $t9, 0x8000
    ori $t9, $t9, 0x100
    la $t0, routine
    lw $t1, 0($t0)
    lw $t2, 4($t0)
    lw $t3, 8($t0)
    sw $t1, 0($t9)
    sw $t2, 4($t9)
    sw $t3, 8($t9)
    addiu $s1, $zero, 10
1:  jalr $t9
    nop
    addiu $s1, $s1, -1
    bne $s1, $zero, 1b
    nop
    lui $t1, 0x2442
    ori $t1, $t1, 0x0100
    sw $t1, 0($t9)
    addiu $s1, $zero, 10
2:  jalr $t9
    nop
    addiu $s1, $s1, -1
    bne $s1, $zero, 2b
    nop
    b test_finish
    nop
routine:
    addiu $v0, $v0, 1
    jr $ra
    nop
)";

// An overflow in a delay slot, after a few instructions: the run ends in the exception's idle
// loop.
const std::string kOverflowInSlot = R"(
    lui $t0, 0x7fff
    ori $t0, $t0, 0xffff
    addiu $t1, $zero, 1
    b 1f
    add $t2, $t0, $t1
1:  b test_finish
    nop
)";

// A jump to a misaligned address: the fetch raises the address error.
const std::string kMisalignedFetch = R"(
    la $t0, test_finish
    addiu $t0, $t0, 2
    jr $t0
    nop
)";

// A program, the catalogue fault installed in every run of it (if any) and how its run ends.
// With a fault, `reg` is the register the program leaves the faulty result in and `faulty` that
// result, which a healthy run must not produce.
struct Program {
    const char* name;
    std::string body;
    StopReason reason;
    const char* fault = nullptr;
    unsigned reg = 0;
    std::uint32_t faulty = 0;
};

const Program kPrograms[] = {
    {"mixed operations", kMixed, StopReason::IdleNoVerdict},
    {"code rewritten in RAM", kRewrittenCode, StopReason::IdleNoVerdict},
    {"overflow in a delay slot", kOverflowInSlot, StopReason::ExceptionIdle},
    {"misaligned fetch", kMisalignedFetch, StopReason::ExceptionIdle},
    {"fault slt-compares-unsigned",
     "    addiu $t0, $zero, -1\n    addiu $t1, $zero, 1\n    slt $v0, $t0, $t1\n"
     "    b test_finish\n    nop\n",
     StopReason::IdleNoVerdict, "slt-compares-unsigned", 2, 0},
    {"fault mult-unsigned",
     "    addiu $t0, $zero, -2\n    addiu $t1, $zero, 3\n    mult $t0, $t1\n    mfhi $v0\n"
     "    b test_finish\n    nop\n",
     StopReason::IdleNoVerdict, "mult-unsigned", 2, 2},
    {"fault bne-never-branches",
     "    addiu $t0, $zero, 1\n    bne $t0, $zero, 1f\n    nop\n    addiu $v0, $zero, 7\n"
     "1:  b test_finish\n    nop\n",
     StopReason::IdleNoVerdict, "bne-never-branches", 2, 7},
};

class SteppedPath : public ::testing::TestWithParam<Program> {};

// The three ways agree on everything, for slices of several sizes, and the observer sees the same
// writes and retirements whichever the slice. A catalogue fault acts the same on every way: the
// faulty result in the register the program leaves it in, and the same run as the other ways.
TEST_P(SteppedPath, EveryWayAgrees) {
    const Program& p = GetParam();
    const Image image = testing::assemble(p.body);
    RunOptions limited{.instructionLimit = 100000};
    if (p.fault) {
        const FaultDef* fault = findFault(p.fault);
        ASSERT_NE(fault, nullptr) << p.fault;
        limited.faults = {{fault, ""}};
    }
    const RunResult plain = run(image, limited);
    ASSERT_EQ(plain.reason, p.reason) << stopReasonName(plain.reason);
    ASSERT_GT(plain.instructions, 5u);
    if (p.fault) {
        EXPECT_EQ(plain.state.regs[p.reg], p.faulty)
            << fmt::format("{:#x}", plain.state.regs[p.reg]);
        const RunResult healthy = run(image, {.instructionLimit = 100000});
        EXPECT_NE(healthy.state.regs[p.reg], p.faulty) << "the program does not show the fault";
    }

    Recorder whole;
    RunOptions observed = limited;
    observed.observer = &whole;
    expectSameRun(plain, run(image, observed), "run with an observer");
    EXPECT_EQ(whole.retirements, plain.instructions);

    for (const std::uint64_t slice : {1u, 2u, 7u, 256u}) {
        Recorder sliced;
        RunOptions o = limited;
        o.observer = &sliced;
        SteppedRun stepped(image, o);
        std::uint64_t advances = 0;
        while (stepped.advance(slice))
            ++advances;
        EXPECT_GE((advances + 1) * slice, plain.instructions) << "slice " << slice;
        expectSameRun(plain, stepped.result(), fmt::format("slices of {}", slice));
        EXPECT_TRUE(sliced.log == whole.log) << "slice " << slice;
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, SteppedPath, ::testing::ValuesIn(kPrograms),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == ' ' || c == '-') c = '_';
                             return name;
                         });

// A store over code in RAM takes effect at the next fetch of that word, with and without an
// observer.
TEST(SteppedPathCode, AStoreOverCodeInRamIsExecutedNextTime) {
    const Image image = testing::assemble(kRewrittenCode);
    Recorder seen;
    for (Observer* observer : {static_cast<Observer*>(nullptr), static_cast<Observer*>(&seen)}) {
        const RunResult r = run(image, {.instructionLimit = 100000, .observer = observer});
        ASSERT_EQ(r.reason, StopReason::IdleNoVerdict);
        EXPECT_EQ(r.state.regs[2], 10u + 10u * 0x100u) << fmt::format("{:#x}", r.state.regs[2]);
    }
}

// Every instruction limit stops both loops after exactly that many instructions, in the same
// state as a stepped run advanced one instruction at a time to the same count.
TEST(SteppedPathLimit, EveryLimitIsExact) {
    const Image image = testing::assemble(kMixed);
    Recorder seen;
    SteppedRun single(image, {.observer = &seen});
    for (std::uint64_t limit = 1; limit <= 400; limit += limit < 40 ? 1 : 37) {
        while (single.instructions() < limit)
            ASSERT_TRUE(single.advance(1));
        const RunResult plain = run(image, {.instructionLimit = limit});
        Recorder other;
        const RunResult observed = run(image, {.instructionLimit = limit, .observer = &other});
        EXPECT_EQ(plain.reason, StopReason::InstructionLimit);
        EXPECT_EQ(plain.instructions, limit);
        expectSameRun(plain, observed, fmt::format("limit {} with an observer", limit));
        expectSameRun(plain, single.result(), fmt::format("limit {} stepped", limit));
    }
}

} // namespace
} // namespace coretest
