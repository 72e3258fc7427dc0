// The hazard faults on small hand-assembled programs: which distance between a register write and
// its reader each missing path hides, and what the reader sees instead. Every program first
// gives t0 the value 1 and lets it settle (three nops), so a hidden write shows as 1; registers
// the programs read otherwise start at 0.
#include <gtest/gtest.h>

#include "settled_program.h"

namespace coretest {
namespace {

// One word of RAM at 0x80000000 (a0) holding 7.
constexpr std::string_view kData = ".word 7";

struct HazardCase {
    std::string_view name;
    std::string_view fault;
    std::string_view body; // runs after kSettled
    unsigned reg;          // the register that shows the outcome
    std::uint32_t value;   // its value at the end
};

class Hazard : public ::testing::TestWithParam<HazardCase> {};

TEST_P(Hazard, ReaderSeesWhatThePipelineDelivers) {
    const HazardCase& c = GetParam();
    const auto r = testing::runSettled(c.fault, c.body, kData);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->reason, StopReason::IdleNoVerdict);
    EXPECT_EQ(r->state.regs[c.reg], c.value) << c.body;
}

// Readers of t0 at distance 1, 2 and 3 from its write of 5; a newer write of 9 in between.
constexpr std::string_view kDistance1 = "addiu $t0, $zero, 5\n addu $t1, $t0, $zero";
constexpr std::string_view kDistance2 = "addiu $t0, $zero, 5\n nop\n addu $t1, $t0, $zero";
constexpr std::string_view kDistance3 = "addiu $t0, $zero, 5\n nop\n nop\n addu $t1, $t0, $zero";
constexpr std::string_view kNewerAtDistance1 =
    "addiu $t0, $zero, 5\n addiu $t0, $zero, 9\n addu $t1, $t0, $zero";
// A load's reader right behind it, and one more behind that load with a stall between.
constexpr std::string_view kLoadUse = "lw $t0, 0($a0)\n addu $t1, $t0, $zero";
constexpr std::string_view kAfterStall =
    "addiu $t2, $zero, 5\n lw $t0, 0($a0)\n addu $t1, $t0, $t2";
// rs and rt readers, a store of the word just written.
constexpr std::string_view kRtReader = "addiu $t0, $zero, 5\n addu $t1, $zero, $t0";
constexpr std::string_view kStoreData =
    "addiu $t0, $zero, 5\n sw $t0, 0($a0)\n nop\n nop\n nop\n lw $t1, 0($a0)";
constexpr std::string_view kStoreBase = "addiu $t3, $a0, 4\n sw $t0, -4($t3)\n lw $t1, 0($a0)";
// HI/LO read 1 and 4 instructions after a multiply of 6 by 7, and right after a move.
constexpr std::string_view kMultiplyThenRead =
    "addiu $t2, $zero, 6\n addiu $t3, $zero, 7\n nop\n nop\n nop\n mult $t2, $t3\n mflo $t1";
constexpr std::string_view kMultiplyWaitRead = "addiu $t2, $zero, 6\n addiu $t3, $zero, 7\n nop\n "
                                               "nop\n nop\n mult $t2, $t3\n nop\n nop\n nop\n "
                                               "mflo $t1";
constexpr std::string_view kMoveThenRead = "mtlo $t0\n mflo $t1";
constexpr std::string_view kMoveWaitRead = "mtlo $t0\n nop\n mflo $t1";
// Bubbles: behind a taken branch's delay slot (the skipped write of 2 shows a branch not taken),
// and behind an mflo or mthi waiting for a divide or multiply.
constexpr std::string_view kSlotThenReader =
    "b 1f\n addiu $t0, $zero, 5\n addiu $t0, $zero, 2\n1: addu $t1, $t0, $zero";
constexpr std::string_view kSlotThenNopReader =
    "b 1f\n addiu $t0, $zero, 5\n addiu $t0, $zero, 2\n1: nop\n addu $t1, $t0, $zero";
constexpr std::string_view kLoadInJumpSlot =
    "j 1f\n lw $t0, 0($a0)\n addiu $t0, $zero, 2\n1: addu $t1, $t0, $zero";
constexpr std::string_view kAfterDivideWait =
    "addiu $t3, $zero, 7\n addiu $t0, $zero, 5\n "
    "div $zero, $t0, $t3\n mflo $t4\n addu $t1, $t0, $zero";
constexpr std::string_view kAfterMultiplyWait =
    "mult $t2, $t3\n addiu $t0, $zero, 5\n mthi $t4\n addu $t1, $t0, $zero";
constexpr std::string_view kReadOfWaitedMflo = "addiu $t2, $zero, 6\n addiu $t3, $zero, 7\n nop\n "
                                               "nop\n nop\n mult $t2, $t3\n mflo $t0\n "
                                               "addu $t1, $t0, $zero";

constexpr unsigned kT1 = 9;

INSTANTIATE_TEST_SUITE_P(
    Programs, Hazard,
    ::testing::Values(
        HazardCase{"ExExHidesDistance1", "forwarding-ex-ex-missing", kDistance1, kT1, 1},
        HazardCase{"ExExKeepsDistance2", "forwarding-ex-ex-missing", kDistance2, kT1, 5},
        HazardCase{"ExExFallsBackToTheOlderWrite", "forwarding-ex-ex-missing", kNewerAtDistance1,
                   kT1, 5},
        HazardCase{"ExExKeepsLoadsAfterTheirStall", "forwarding-ex-ex-missing", kLoadUse, kT1, 7},
        HazardCase{"ExExRsKeepsRt", "forwarding-ex-ex-missing-rs", kRtReader, kT1, 5},
        HazardCase{"ExExRtHidesRt", "forwarding-ex-ex-missing-rt", kRtReader, kT1, 1},
        HazardCase{"ExExRtKeepsRs", "forwarding-ex-ex-missing-rt", kDistance1, kT1, 5},
        HazardCase{"StoreDataHidden", "store-data-forwarding-missing", kStoreData, kT1, 1},
        HazardCase{"StoreBaseForwarded", "store-data-forwarding-missing", kStoreBase, kT1, 1},
        HazardCase{"MemExKeepsDistance1", "forwarding-mem-ex-missing", kDistance1, kT1, 5},
        HazardCase{"MemExHidesDistance2", "forwarding-mem-ex-missing", kDistance2, kT1, 1},
        HazardCase{"MemExNewerForwarded", "forwarding-mem-ex-missing", kNewerAtDistance1, kT1, 9},
        HazardCase{"MemExHidesLoadAfterStall", "forwarding-mem-ex-missing", kLoadUse, kT1, 1},
        HazardCase{"WbIdKeepsDistance2", "forwarding-wb-id-missing", kDistance2, kT1, 5},
        HazardCase{"WbIdHidesDistance3", "forwarding-wb-id-missing", kDistance3, kT1, 1},
        // t2 written two instructions before addu but three cycles: the load stall comes between.
        HazardCase{"WbIdCountsTheStall", "forwarding-wb-id-missing", kAfterStall, kT1, 7},
        HazardCase{"MemExHidesTheLoadNotTheStalledWrite", "forwarding-mem-ex-missing", kAfterStall,
                   kT1, 6},
        HazardCase{"LoadOldValueVisible", "load-delay-slot-visible", kLoadUse, kT1, 1},
        HazardCase{"LoadKeepsAluResults", "load-delay-slot-visible", kDistance1, kT1, 5},
        HazardCase{"MultiplyReadTooEarly", "hilo-read-before-muldiv-done", kMultiplyThenRead, kT1,
                   0},
        HazardCase{"MultiplyReadInTime", "hilo-read-before-muldiv-done", kMultiplyWaitRead, kT1,
                   42},
        HazardCase{"MoveReadTooEarly", "hilo-move-forwarding-missing", kMoveThenRead, kT1, 0},
        HazardCase{"MoveReadLater", "hilo-move-forwarding-missing", kMoveWaitRead, kT1, 1},
        // One instruction but two cycles behind the delay slot; three cycles with a nop between.
        HazardCase{"MemExCountsTheSlotBubble", "forwarding-mem-ex-missing", kSlotThenReader, kT1,
                   1},
        HazardCase{"ExExCountsTheSlotBubble", "forwarding-ex-ex-missing", kSlotThenReader, kT1, 5},
        HazardCase{"WbIdCountsTheSlotBubble", "forwarding-wb-id-missing", kSlotThenNopReader, kT1,
                   1},
        HazardCase{"MemExKeepsDistance3AfterTheSlot", "forwarding-mem-ex-missing",
                   kSlotThenNopReader, kT1, 5},
        // The jump target reads a load two cycles behind: the load delay is over.
        HazardCase{"LoadInJumpSlotArrives", "load-delay-slot-visible", kLoadInJumpSlot, kT1, 7},
        HazardCase{"MemExHidesTheLoadInTheSlot", "forwarding-mem-ex-missing", kLoadInJumpSlot, kT1,
                   1},
        // mflo waits 32 cycles for the divide, so the write of t0 is far behind the reader.
        HazardCase{"WbIdCountsTheDivideWait", "forwarding-wb-id-missing", kAfterDivideWait, kT1, 5},
        // mthi waits 3 cycles after addiu for the multiply: addu is 4 cycles behind addiu.
        HazardCase{"MemExCountsTheMultiplyWait", "forwarding-mem-ex-missing", kAfterMultiplyWait,
                   kT1, 5},
        // The waited mflo itself forwards to the next instruction like any result.
        HazardCase{"ExExHidesTheWaitedMflo", "forwarding-ex-ex-missing", kReadOfWaitedMflo, kT1, 1},
        HazardCase{"MemExKeepsTheWaitedMflo", "forwarding-mem-ex-missing", kReadOfWaitedMflo, kT1,
                   42}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace coretest
