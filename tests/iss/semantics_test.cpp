// Every instruction's result on edge values, run on the core from small assembled programs.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "support/program.h"

namespace coretest {
namespace {

using testing::runProgram;

std::string load(std::string_view reg, std::uint32_t v) {
    return fmt::format("    lui ${0}, {1:#x}\n    ori ${0}, ${0}, {2:#x}\n", reg, v >> 16,
                       v & 0xffff);
}

// Inputs in a0 and a1, results in v0 and v1 (both start at 0).
struct RegCase {
    std::string_view code;
    std::uint32_t a0, a1;
    std::uint32_t v0, v1 = 0;
};

class RegisterResult : public ::testing::TestWithParam<RegCase> {};

TEST_P(RegisterResult, ComputesExpectedValues) {
    const RegCase& c = GetParam();
    const RunResult r = runProgram(load("a0", c.a0) + load("a1", c.a1) + std::string(c.code));
    ASSERT_EQ(r.reason, StopReason::IdleNoVerdict) << stopReasonName(r.reason);
    EXPECT_EQ(r.state.regs[2], c.v0) << fmt::format("v0 = {:#010x}", r.state.regs[2]);
    EXPECT_EQ(r.state.regs[3], c.v1) << fmt::format("v1 = {:#010x}", r.state.regs[3]);
}

constexpr RegCase kAlu[] = {
    // addu / subu wrap silently
    {"addu $v0, $a0, $a1", 0x7fffffff, 1, 0x80000000},
    {"addu $v0, $a0, $a1", 0xffffffff, 1, 0},
    {"subu $v0, $a0, $a1", 0, 1, 0xffffffff},
    {"subu $v0, $a0, $a1", 0x80000000, 1, 0x7fffffff},
    // add / sub without overflow
    {"add $v0, $a0, $a1", 5, 0xfffffffd, 2},
    {"add $v0, $a0, $a1", 0x7ffffffe, 1, 0x7fffffff},
    {"add $v0, $a0, $a1", 0x80000000, 0x7fffffff, 0xffffffff},
    {"sub $v0, $a0, $a1", 0x80000001, 1, 0x80000000},
    {"sub $v0, $a0, $a1", 0xffffffff, 0x7fffffff, 0x80000000},
    // logic
    {"and $v0, $a0, $a1", 0xf0f0ff00, 0x3c3c0ff0, 0x30300f00},
    {"or $v0, $a0, $a1", 0xf0f0ff00, 0x3c3c0ff0, 0xfcfcfff0},
    {"xor $v0, $a0, $a1", 0xf0f0ff00, 0x3c3c0ff0, 0xccccf0f0},
    {"nor $v0, $a0, $a1", 0xf0f0ff00, 0x3c3c0ff0, 0x0303000f},
    // compares: signed and unsigned views of the same words
    {"slt $v0, $a0, $a1", 0x80000000, 1, 1},
    {"slt $v0, $a0, $a1", 1, 0x80000000, 0},
    {"slt $v0, $a0, $a1", 0xffffffff, 0xffffffff, 0},
    {"sltu $v0, $a0, $a1", 1, 0x80000000, 1},
    {"sltu $v0, $a0, $a1", 0xffffffff, 0, 0},
    // shifts by constant and by register (low five bits of rs)
    {"sll $v0, $a0, 0", 0x89abcdef, 0, 0x89abcdef},
    {"sll $v0, $a0, 31", 0x00000003, 0, 0x80000000},
    {"srl $v0, $a0, 31", 0x80000000, 0, 1},
    {"sra $v0, $a0, 31", 0x80000000, 0, 0xffffffff},
    {"sra $v0, $a0, 4", 0x7ffffff0, 0, 0x07ffffff},
    {"sllv $v0, $a0, $a1", 0x00000001, 33, 2},
    {"srlv $v0, $a0, $a1", 0x80000000, 0xffffffe0, 0x80000000},
    {"srlv $v0, $a0, $a1", 0x80000000, 31, 1},
    {"srav $v0, $a0, $a1", 0x80000000, 35, 0xf0000000},
    // immediates: sign-extended for arithmetic and compares, zero-extended for logic
    {"addiu $v0, $a0, -1", 0, 0, 0xffffffff},
    {"addiu $v0, $a0, 1", 0x7fffffff, 0, 0x80000000},
    {"addi $v0, $a0, 0x7fff", 0x7fff0000, 0, 0x7fff7fff},
    {"addi $v0, $a0, -32768", 0x00008000, 0, 0},
    {"slti $v0, $a0, -1", 0x80000000, 0, 1},
    {"slti $v0, $a0, -1", 0xffffffff, 0, 0},
    {"sltiu $v0, $a0, -1", 5, 0, 1},
    {"sltiu $v0, $a0, 0x7fff", 0x8000, 0, 0},
    {"andi $v0, $a0, 0xffff", 0xffffffff, 0, 0x0000ffff},
    {"ori $v0, $a0, 0x8000", 0, 0, 0x00008000},
    {"xori $v0, $a0, 0xffff", 0xffff0000, 0, 0xffffffff},
    {"lui $v0, 0x8001", 0, 0, 0x80010000},
    {"lui $v0, 0", 0xffffffff, 0, 0},
    // a write to zero is discarded
    {"addiu $zero, $zero, 1\n    addu $v0, $zero, $zero", 0, 0, 0},
};
INSTANTIATE_TEST_SUITE_P(Alu, RegisterResult, ::testing::ValuesIn(kAlu));

constexpr RegCase kHiLo[] = {
    // products: v0 = HI, v1 = LO
    {"mult $a0, $a1\n    mfhi $v0\n    mflo $v1", 0xffffffff, 0xffffffff, 0, 1},
    {"multu $a0, $a1\n    mfhi $v0\n    mflo $v1", 0xffffffff, 0xffffffff, 0xfffffffe, 1},
    {"mult $a0, $a1\n    mfhi $v0\n    mflo $v1", 0x80000000, 0x80000000, 0x40000000, 0},
    {"mult $a0, $a1\n    mfhi $v0\n    mflo $v1", 0xfffffffe, 3, 0xffffffff, 0xfffffffa},
    {"multu $a0, $a1\n    mfhi $v0\n    mflo $v1", 0x12345678, 0x10, 0x1, 0x23456780},
    // quotients and remainders: v0 = LO (quotient), v1 = HI (remainder)
    {"div $zero, $a0, $a1\n    mflo $v0\n    mfhi $v1", 7, 0xfffffffe, 0xfffffffd, 1},
    {"div $zero, $a0, $a1\n    mflo $v0\n    mfhi $v1", 0xfffffff9, 2, 0xfffffffd, 0xffffffff},
    {"div $zero, $a0, $a1\n    mflo $v0\n    mfhi $v1", 0x80000000, 0xffffffff, 0x80000000, 0},
    {"div $zero, $a0, $a1\n    mflo $v0\n    mfhi $v1", 5, 0, 0xffffffff, 5},
    {"div $zero, $a0, $a1\n    mflo $v0\n    mfhi $v1", 0xfffffffb, 0, 1, 0xfffffffb},
    {"divu $zero, $a0, $a1\n    mflo $v0\n    mfhi $v1", 0xffffffff, 0x10, 0x0fffffff, 0xf},
    {"divu $zero, $a0, $a1\n    mflo $v0\n    mfhi $v1", 0x80000000, 0, 0xffffffff, 0x80000000},
    // moves
    {"mthi $a0\n    mtlo $a1\n    mfhi $v0\n    mflo $v1", 0x11112222, 0x33334444, 0x11112222,
     0x33334444},
    {"mult $a0, $a1\n    mtlo $zero\n    mfhi $v0\n    mflo $v1", 0x10000, 0x10000, 1, 0},
};
INSTANTIATE_TEST_SUITE_P(HiLo, RegisterResult, ::testing::ValuesIn(kHiLo));

// Memory at a0 = 0x80000000 holds the words below; a1 is the store value.
constexpr std::string_view kWords = "buf: .word 0x80ff7f01, 0x12345678, 0x44332211, 0";

constexpr RegCase kMemory[] = {
    {"lb $v0, 0($a0)", 0x80000000, 0, 0x00000001},
    {"lb $v0, 1($a0)", 0x80000000, 0, 0x0000007f},
    {"lb $v0, 2($a0)", 0x80000000, 0, 0xffffffff},
    {"lb $v0, 3($a0)", 0x80000000, 0, 0xffffff80},
    {"lbu $v0, 2($a0)", 0x80000000, 0, 0x000000ff},
    {"lbu $v0, 3($a0)", 0x80000000, 0, 0x00000080},
    {"lh $v0, 0($a0)", 0x80000000, 0, 0x00007f01},
    {"lh $v0, 2($a0)", 0x80000000, 0, 0xffff80ff},
    {"lhu $v0, 2($a0)", 0x80000000, 0, 0x000080ff},
    {"lw $v0, 4($a0)", 0x80000000, 0, 0x12345678},
    {"lw $v0, -4($a0)", 0x80000008, 0, 0x12345678},
    {"sb $a1, 1($a0)\n    lw $v0, 0($a0)", 0x80000000, 0xaabbccdd, 0x80ffdd01},
    {"sh $a1, 2($a0)\n    lw $v0, 0($a0)", 0x80000000, 0xaabbccdd, 0xccdd7f01},
    {"sw $a1, 12($a0)\n    lw $v0, 12($a0)\n    lbu $v1, 15($a0)", 0x80000000, 0xaabbccdd,
     0xaabbccdd, 0xaa},
    // partial words on the word 0x44332211 (bytes 11 22 33 44 upwards), register 0xaabbccdd
    {"addu $v0, $a1, $zero\n    lwl $v0, 8($a0)", 0x80000000, 0xaabbccdd, 0x11bbccdd},
    {"addu $v0, $a1, $zero\n    lwl $v0, 9($a0)", 0x80000000, 0xaabbccdd, 0x2211ccdd},
    {"addu $v0, $a1, $zero\n    lwl $v0, 10($a0)", 0x80000000, 0xaabbccdd, 0x332211dd},
    {"addu $v0, $a1, $zero\n    lwl $v0, 11($a0)", 0x80000000, 0xaabbccdd, 0x44332211},
    {"addu $v0, $a1, $zero\n    lwr $v0, 8($a0)", 0x80000000, 0xaabbccdd, 0x44332211},
    {"addu $v0, $a1, $zero\n    lwr $v0, 9($a0)", 0x80000000, 0xaabbccdd, 0xaa443322},
    {"addu $v0, $a1, $zero\n    lwr $v0, 10($a0)", 0x80000000, 0xaabbccdd, 0xaabb4433},
    {"addu $v0, $a1, $zero\n    lwr $v0, 11($a0)", 0x80000000, 0xaabbccdd, 0xaabbcc44},
    {"swl $a1, 8($a0)\n    lw $v0, 8($a0)", 0x80000000, 0xaabbccdd, 0x443322aa},
    {"swl $a1, 9($a0)\n    lw $v0, 8($a0)", 0x80000000, 0xaabbccdd, 0x4433aabb},
    {"swl $a1, 10($a0)\n    lw $v0, 8($a0)", 0x80000000, 0xaabbccdd, 0x44aabbcc},
    {"swl $a1, 11($a0)\n    lw $v0, 8($a0)", 0x80000000, 0xaabbccdd, 0xaabbccdd},
    {"swr $a1, 8($a0)\n    lw $v0, 8($a0)", 0x80000000, 0xaabbccdd, 0xaabbccdd},
    {"swr $a1, 9($a0)\n    lw $v0, 8($a0)", 0x80000000, 0xaabbccdd, 0xbbccdd11},
    {"swr $a1, 10($a0)\n    lw $v0, 8($a0)", 0x80000000, 0xaabbccdd, 0xccdd2211},
    {"swr $a1, 11($a0)\n    lw $v0, 8($a0)", 0x80000000, 0xaabbccdd, 0xdd332211},
    // data reads from the boot ROM: the first word is the reset branch "b body" (0x1000xxxx)
    {"lhu $v0, 2($a0)", 0xbfc00000, 0, 0x1000},
    // a loaded value is usable by the very next instruction
    {"lw $t0, 4($a0)\n    addu $v0, $t0, $zero", 0x80000000, 0, 0x12345678},
};

class MemoryResult : public ::testing::TestWithParam<RegCase> {};

TEST_P(MemoryResult, LoadsAndStoresLittleEndian) {
    const RegCase& c = GetParam();
    const RunResult r =
        runProgram(load("a0", c.a0) + load("a1", c.a1) + std::string(c.code), {}, kWords);
    ASSERT_EQ(r.reason, StopReason::IdleNoVerdict) << stopReasonName(r.reason);
    EXPECT_EQ(r.state.regs[2], c.v0) << fmt::format("v0 = {:#010x}", r.state.regs[2]);
    EXPECT_EQ(r.state.regs[3], c.v1) << fmt::format("v1 = {:#010x}", r.state.regs[3]);
}
INSTANTIATE_TEST_SUITE_P(Memory, MemoryResult, ::testing::ValuesIn(kMemory));

// The lwr/lwl and swr/swl pairs move an unaligned word, whatever its alignment.
TEST(PartialWords, PairsMoveUnalignedWords) {
    const std::uint8_t bytes[12] = {0x10, 0x21, 0x32, 0x43, 0x54, 0x65,
                                    0x76, 0x87, 0x98, 0xa9, 0xba, 0xcb};
    std::string data = "buf: .byte ";
    for (std::uint8_t b : bytes)
        data += fmt::format("{:#x}, ", b);
    data += "0, 0, 0, 0\nout: .word 0, 0, 0";
    for (unsigned at = 0; at < 8; ++at) {
        const std::uint32_t expected = bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                       std::uint32_t{bytes[at + 3]} << 24;
        const std::string code =
            load("a0", 0x80000000) + fmt::format(R"(
    lwr $v0, {0}($a0)
    lwl $v0, {1}($a0)
    swr $v0, {2}($a0)
    swl $v0, {3}($a0)
    lwr $v1, {2}($a0)
    lwl $v1, {3}($a0)
)",
                                                 at, at + 3, 16 + (at & 3) + 1, 16 + (at & 3) + 4);
        const RunResult r = runProgram(code, {}, data);
        EXPECT_EQ(r.state.regs[2], expected) << "load at offset " << at;
        EXPECT_EQ(r.state.regs[3], expected) << "store and reload at offset " << at;
    }
}

} // namespace
} // namespace coretest
