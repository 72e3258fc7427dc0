// Exceptions: each vectors to the exception idle loop with cause, faulting pc and bad address,
// and leaves the destination register alone.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "support/program.h"

namespace coretest {
namespace {

struct ExceptionCase {
    std::string_view name;
    std::string_view code; // the faulting instruction carries the label "fault"
    std::uint32_t a0, a1;
    ExceptionCause cause;
    std::uint32_t badAddress; // 0 where the cause has none
    bool delaySlot = false;
};

constexpr std::uint32_t kUntouched = 0x0badf00d;

const ExceptionCase kCases[] = {
    {"add overflows", "fault: add $v0, $a0, $a1", 0x7fffffff, 1, ExceptionCause::Overflow, 0},
    {"add overflows negative", "fault: add $v0, $a0, $a1", 0x80000000, 0xffffffff,
     ExceptionCause::Overflow, 0},
    {"sub overflows", "fault: sub $v0, $a0, $a1", 0x80000000, 1, ExceptionCause::Overflow, 0},
    {"addi overflows", "fault: addi $v0, $a0, 1", 0x7fffffff, 0, ExceptionCause::Overflow, 0},
    {"lw misaligned", "fault: lw $v0, 0($a0)", 0x80000002, 0, ExceptionCause::AddressLoad,
     0x80000002},
    {"lh odd", "fault: lh $v0, 1($a0)", 0x80000000, 0, ExceptionCause::AddressLoad, 0x80000001},
    {"lhu odd", "fault: lhu $v0, 3($a0)", 0x80000000, 0, ExceptionCause::AddressLoad, 0x80000003},
    {"sw misaligned", "fault: sw $a1, 1($a0)", 0x80000000, 0, ExceptionCause::AddressStore,
     0x80000001},
    {"sh odd", "fault: sh $a1, 0($a0)", 0x80000001, 0, ExceptionCause::AddressStore, 0x80000001},
    {"reserved opcode", "fault: .word 0xfc000000", 0, 0, ExceptionCause::Reserved, 0},
    {"reserved function", "fault: .word 0x00000001", 0, 0, ExceptionCause::Reserved, 0},
    {"reserved regimm", "fault: .word 0x04420000", 0, 0, ExceptionCause::Reserved, 0},
    {"coprocessor 0 reserved encoding", "fault: .word 0x42000001", 0, 0, ExceptionCause::Reserved,
     0},
    {"coprocessor 1 unusable", "fault: .word 0x46000000", 0, 0, ExceptionCause::CoprocessorUnusable,
     0},
    {"syscall", "fault: syscall", 0, 0, ExceptionCause::Syscall, 0},
    {"break", "fault: break", 0, 0, ExceptionCause::Break, 0},
    {"load from nothing", "fault: lw $v0, 0($a0)", 0x10000000, 0, ExceptionCause::BusData,
     0x10000000},
    {"load past the RAM", "fault: lw $v0, 0($a0)", 0x80040000, 0, ExceptionCause::BusData,
     0x80040000},
    {"load from a gap of the register block", "fault: lw $v0, 0($a0)", 0xfffff00c, 0,
     ExceptionCause::BusData, 0xfffff00c},
    {"byte load from a board register", "fault: lb $v0, 0($a0)", 0xfffff010, 0,
     ExceptionCause::BusData, 0xfffff010},
    {"store to nothing", "fault: sw $a1, 4($a0)", 0x40000000, 0, ExceptionCause::BusData,
     0x40000004},
    {"in a taken branch's delay slot", "beq $zero, $zero, 1f\nfault: break\n1:", 0, 0,
     ExceptionCause::Break, 0, true},
    {"in a not-taken branch's delay slot", "bne $zero, $zero, 1f\nfault: syscall\n1:", 0, 0,
     ExceptionCause::Syscall, 0, true},
};

class Exceptions : public ::testing::TestWithParam<ExceptionCase> {};

TEST_P(Exceptions, VectorWithRecord) {
    const ExceptionCase& c = GetParam();
    const std::string body = fmt::format(R"(
    lui $a0, {:#x}
    ori $a0, $a0, {:#x}
    lui $a1, {:#x}
    ori $a1, $a1, {:#x}
    lui $v0, {:#x}
    ori $v0, $v0, {:#x}
{}
    addiu $v1, $zero, 1 # not reached
)",
                                         c.a0 >> 16, c.a0 & 0xffff, c.a1 >> 16, c.a1 & 0xffff,
                                         kUntouched >> 16, kUntouched & 0xffff, c.code);
    const Image image = testing::assemble(body);
    const RunResult r = run(image, {.instructionLimit = 10000});
    ASSERT_EQ(r.reason, StopReason::ExceptionIdle) << stopReasonName(r.reason);
    ASSERT_TRUE(r.exception);
    EXPECT_EQ(r.exception->cause, c.cause) << causeName(r.exception->cause);
    EXPECT_EQ(r.exception->pc, image.findSymbol("fault")->value);
    EXPECT_EQ(r.exception->badAddress, c.badAddress);
    EXPECT_EQ(r.exception->delaySlot, c.delaySlot);
    EXPECT_EQ(r.state.regs[2], kUntouched);
    EXPECT_EQ(r.state.regs[3], 0u);
    EXPECT_EQ(r.pc(), kExceptionVector);
}

INSTANTIATE_TEST_SUITE_P(Cases, Exceptions, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string n(info.param.name);
    for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return n;
});

struct FetchCase {
    std::string_view name;
    std::uint32_t target;
    ExceptionCause cause;
};

class FetchFaults : public ::testing::TestWithParam<FetchCase> {};

TEST_P(FetchFaults, JumpTargetFaultsOnFetch) {
    const FetchCase& c = GetParam();
    const RunResult r = testing::runProgram(fmt::format(R"(
    lui $a0, {:#x}
    ori $a0, $a0, {:#x}
    jr $a0
    nop
)",
                                                        c.target >> 16, c.target & 0xffff));
    ASSERT_EQ(r.reason, StopReason::ExceptionIdle) << stopReasonName(r.reason);
    EXPECT_EQ(r.exception->cause, c.cause);
    EXPECT_EQ(r.exception->pc, c.target);
    EXPECT_EQ(r.exception->badAddress, c.target);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FetchFaults,
    ::testing::Values(FetchCase{"misaligned", 0xbfc00002, ExceptionCause::AddressLoad},
                      FetchCase{"unmapped", 0x00400000, ExceptionCause::BusFetch},
                      FetchCase{"register_block", 0xfffff000, ExceptionCause::BusFetch}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RomWrite, IsRecordedAsBoardFaultAndNotPerformed) {
    const Image image = testing::assemble(R"(
    lui $a0, 0xbfc0
    addiu $a1, $zero, 0x1234
fault:
    sw $a1, 0($a0)
    lw $v0, 0($a0)
    sb $a1, 7($a0)
)");
    const RunResult r = run(image, {.instructionLimit = 1000});
    EXPECT_EQ(r.reason, StopReason::IdleNoVerdict);
    EXPECT_FALSE(r.exception);
    const std::uint32_t pc = image.findSymbol("fault")->value;
    ASSERT_EQ(r.romWrites.size(), 2u);
    EXPECT_EQ(r.romWrites[0], (RomWriteFault{pc, 0xbfc00000, 0x1234, 4, 4}));
    EXPECT_EQ(r.romWrites[1], (RomWriteFault{pc + 8, 0xbfc00007, 0x34, 1, 6}));
    EXPECT_EQ(r.state.regs[2] >> 16, 0x1000u) << "the ROM still holds the reset branch";
}

} // namespace
} // namespace coretest
