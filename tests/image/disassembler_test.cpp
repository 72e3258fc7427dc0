// The disassembler on one word of every form, the coprocessor instructions among them, and the
// static targets diagnostics take from it.
#include <gtest/gtest.h>

#include "coretest/disassembler.h"

namespace coretest {
namespace {

struct TextCase {
    std::uint32_t word;
    std::uint32_t pc;
    std::string_view text;
};

const TextCase kTexts[] = {
    {0x00000000, 0xbfc00000, "nop"},
    {0x01095021, 0xbfc00000, "addu $t2, $t0, $t1"},
    {0x00084080, 0xbfc00000, "sll $t0, $t0, 2"},
    {0x01094004, 0xbfc00000, "sllv $t0, $t1, $t0"},
    {0x03e00008, 0xbfc00000, "jr $ra"},
    {0x0100f809, 0xbfc00000, "jalr $t0"},
    {0x01001009, 0xbfc00000, "jalr $v0, $t0"},
    {0x0000000c, 0xbfc00000, "syscall"},
    {0x00001010, 0xbfc00000, "mfhi $v0"},
    {0x01090018, 0xbfc00000, "mult $t0, $t1"},
    {0x2508ffff, 0xbfc00000, "addiu $t0, $t0, -1"},
    {0x3508ffff, 0xbfc00000, "ori $t0, $t0, 0xffff"},
    {0x3c08bfc0, 0xbfc00000, "lui $t0, 0xbfc0"},
    {0x8d0afffc, 0xbfc00000, "lw $t2, -4($t0)"},
    {0xa10a0003, 0xbfc00000, "sb $t2, 3($t0)"},
    {0x10000003, 0xbfc00010, "b 0xbfc00020"},
    {0x1509fffe, 0xbfc00010, "bne $t0, $t1, 0xbfc0000c"},
    {0x05110002, 0xbfc00010, "bgezal $t0, 0xbfc0001c"},
    {0x0ff00040, 0xbfc00000, "jal 0xbfc00100"},
    // coprocessor 0: registers by number
    {0x40086000, 0xbfc00000, "mfc0 $t0, $12"},
    {0x40027800, 0xbfc00000, "mfc0 $v0, $15"},
    {0x401a7000, 0xbfc00000, "mfc0 $k0, $14"},
    {0x40896800, 0xbfc00000, "mtc0 $t1, $13"},
    {0x40804000, 0xbfc00000, "mtc0 $zero, $8"},
    {0x42000010, 0xbfc00000, "rfe"},
    // what the core does not decode as coprocessor 0 stays a word
    {0x42000001, 0xbfc00000, ".word 0x42000001"},
    {0x40086001, 0xbfc00000, ".word 0x40086001"},
    {0x40486000, 0xbfc00000, ".word 0x40486000"},
    {0xc0820008, 0xbfc00000, ".word 0xc0820008"},
    // coprocessors 1 to 3
    {0x46000005, 0xbfc00000, "cop1 0x2000005"},
    {0x4a123456, 0xbfc00000, "cop2 0x2123456"},
    {0x4fffffff, 0xbfc00000, "cop3 0x3ffffff"},
    {0xc4820008, 0xbfc00000, "lwc1 $2, 8($a0)"},
    {0xcba2fff0, 0xbfc00000, "lwc2 $2, -16($sp)"},
    {0xec9f0000, 0xbfc00000, "swc3 $31, 0($a0)"},
    {0xfc000000, 0xbfc00000, ".word 0xfc000000"},
};

class Disassembly : public ::testing::TestWithParam<TextCase> {};

TEST_P(Disassembly, ReadsAsWritten) {
    const TextCase& c = GetParam();
    EXPECT_EQ(disassemble(c.word, c.pc), c.text);
}

INSTANTIATE_TEST_SUITE_P(Words, Disassembly, ::testing::ValuesIn(kTexts));

TEST(Disassembly, StaticTargetsOnlyForBranchesAndJumps) {
    EXPECT_EQ(staticTarget(0x10000003, 0xbfc00010), 0xbfc00020u);
    EXPECT_EQ(staticTarget(0x0ff00040, 0xbfc00000), 0xbfc00100u);
    EXPECT_FALSE(staticTarget(0x03e00008, 0xbfc00000)) << "jr has none";
    EXPECT_FALSE(staticTarget(0x40086000, 0xbfc00000));
    EXPECT_FALSE(staticTarget(0x42000010, 0xbfc00000));
    EXPECT_FALSE(staticTarget(0x46000005, 0xbfc00000));
}

} // namespace
} // namespace coretest
