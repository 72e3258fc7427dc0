// The forwarding faults of one producer class or one consumer on small hand-assembled programs:
// the reader at distance 1 sees the register as before the write when the writer is of the
// fault's class (or the reader is the fault's consumer), and the new value otherwise. Every
// program first gives t0 the value 1 and lets it settle, so a hidden write of t0 shows as 1.
#include <gtest/gtest.h>

#include "settled_program.h"

namespace coretest {
namespace {

// Two RAM words at 0x80000000 (a0): 7 and 9.
constexpr std::string_view kData = ".word 7\n.word 9";

struct ClassCase {
    std::string_view name;
    std::string_view fault;
    std::string_view body; // runs after kSettled; leaves its outcome in t1
    std::uint32_t t1;
};

class ForwardingClass : public ::testing::TestWithParam<ClassCase> {};

TEST_P(ForwardingClass, ReaderSeesWhatThePathDelivers) {
    const ClassCase& c = GetParam();
    const auto r = testing::runSettled(c.fault, c.body, kData);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->reason, StopReason::IdleNoVerdict) << c.body;
    EXPECT_EQ(r->state.regs[9], c.t1) << c.body;
}

// Producers at distance 1 from their reader.
constexpr std::string_view kAlu = "addiu $t0, $zero, 5\n addu $t1, $t0, $zero";
constexpr std::string_view kShift = "sll $t0, $t0, 2\n addu $t1, $t0, $zero";
constexpr std::string_view kMflo =
    "addiu $t2, $zero, 6\n nop\n nop\n nop\n mtlo $t2\n mflo $t0\n addu $t1, $t0, $zero";
// The delay slot of jal reads $ra (1 before): t1 ends 1 when it saw the old value, else 0.
constexpr std::string_view kLink = "addiu $ra, $zero, 1\n nop\n nop\n nop\n jal 8f\n "
                                   "addu $t1, $ra, $zero\n8: nop\n nop\n nop\n sltiu $t1, $t1, 2";
constexpr std::string_view kLoadUse = "lw $t0, 0($a0)\n addu $t1, $t0, $zero";
constexpr std::string_view kAluAtDistance2 = "addiu $t0, $zero, 5\n nop\n addu $t1, $t0, $zero";
// Consumers: a load's base (a0 + 8 now, a0 + 4 before: 9 or 7), a branch operand (t0 = 0 now,
// 1 before: not taken gives 3), a jr target (the new target sets 4, the old one 3), store data.
constexpr std::string_view kBase =
    "addiu $t3, $a0, 8\n nop\n nop\n nop\n addiu $t3, $a0, 12\n lw $t1, -8($t3)\n nop";
constexpr std::string_view kBranch =
    "addiu $t0, $zero, 0\n bne $t0, $zero, 8f\n nop\n addiu $t1, $zero, 3\n8: nop";
constexpr std::string_view kJumpTarget = R"(
    jal 7f
    nop
7:  addiu $t2, $ra, 28
    nop
    nop
    nop
    addiu $t2, $ra, 40
    jr $t2
    nop
    addiu $t1, $zero, 3
    b 9f
    nop
    addiu $t1, $zero, 4
9:  nop
)";
constexpr std::string_view kStoreData =
    "addiu $t0, $zero, 5\n sw $t0, 0($a0)\n nop\n nop\n nop\n lw $t1, 0($a0)\n nop";

INSTANTIATE_TEST_SUITE_P(
    Programs, ForwardingClass,
    ::testing::Values(
        ClassCase{"AluHidesAlu", "forwarding-ex-ex-missing-alu", kAlu, 1},
        ClassCase{"AluKeepsShift", "forwarding-ex-ex-missing-alu", kShift, 4},
        ClassCase{"AluKeepsMflo", "forwarding-ex-ex-missing-alu", kMflo, 6},
        ClassCase{"AluKeepsLink", "forwarding-ex-ex-missing-alu", kLink, 0},
        ClassCase{"ShiftHidesShift", "forwarding-ex-ex-missing-shift", kShift, 1},
        ClassCase{"ShiftKeepsAlu", "forwarding-ex-ex-missing-shift", kAlu, 5},
        ClassCase{"HiLoHidesMflo", "forwarding-ex-ex-missing-hilo", kMflo, 1},
        ClassCase{"HiLoKeepsAlu", "forwarding-ex-ex-missing-hilo", kAlu, 5},
        ClassCase{"LinkHidesTheLinkInTheSlot", "forwarding-ex-ex-missing-link", kLink, 1},
        ClassCase{"LinkKeepsAlu", "forwarding-ex-ex-missing-link", kAlu, 5},
        ClassCase{"LoadHidesTheLoadAfterItsStall", "forwarding-mem-ex-missing-load", kLoadUse, 1},
        ClassCase{"LoadKeepsAluAtDistance2", "forwarding-mem-ex-missing-load", kAluAtDistance2, 5},
        ClassCase{"BaseHidesTheBase", "forwarding-ex-ex-missing-base", kBase, 7},
        ClassCase{"BaseKeepsRs", "forwarding-ex-ex-missing-base", kAlu, 5},
        ClassCase{"BaseKeepsStoreData", "forwarding-ex-ex-missing-base", kStoreData, 5},
        ClassCase{"BranchHidesTheOperand", "forwarding-ex-ex-missing-branch", kBranch, 0},
        ClassCase{"BranchKeepsRs", "forwarding-ex-ex-missing-branch", kAlu, 5},
        ClassCase{"JumpTargetHidesTheTarget", "forwarding-ex-ex-missing-jump-target", kJumpTarget,
                  3},
        ClassCase{"JumpTargetKeepsRs", "forwarding-ex-ex-missing-jump-target", kAlu, 5},
        ClassCase{"BaseKeepsTheBranch", "forwarding-ex-ex-missing-base", kBranch, 3}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace coretest
