#include "units.h"

#include "families.h"

namespace casegen {

const std::array<UnitEntry, 58> kUnits{{
    {1, "lui", "tests lui in 192 cases", buildLui},
    {2, "addu", "tests addu in 301 cases", buildAluReg},
    {3, "addiu", "tests addiu in 123 cases", buildAluImm},
    {4, "beq", "tests beq in 104 cases", buildBranch},
    {5, "bne", "tests bne in 153 cases", buildBranch},
    {6, "lw", "tests lw in 64 cases", buildMemory},
    {7, "or", "tests or in 301 cases", buildAluReg},
    {8, "slt", "tests slt in 301 cases", buildAluReg},
    {9, "slti", "tests slti in 301 cases", buildAluImm},
    {10, "sltiu", "tests sltiu in 301 cases", buildAluImm},
    {11, "sll", "tests sll in 301 cases", buildShift},
    {12, "sw", "tests sw in 69 cases", buildMemory},
    {13, "j", "tests j in 121 cases", buildJump},
    {14, "jal", "tests jal in 122 cases", buildJump},
    {15, "jr", "tests jr in 142 cases", buildJump},
    {16, "beq_ds", "tests the delay slot of beq in 26 cases", buildBranchSlot},
    {17, "bne_ds", "tests the delay slot of bne in 26 cases", buildBranchSlot},
    {18, "j_ds", "tests the delay slot of j in 26 cases", buildJumpSlot},
    {19, "jal_ds", "tests the delay slot of jal in 26 cases", buildJumpSlot},
    {20, "jr_ds", "tests the delay slot of jr in 26 cases", buildJumpSlot},
    {21, "add", "tests add in 250 cases", buildAluReg},
    {22, "addi", "tests addi in 301 cases", buildAluImm},
    {23, "sub", "tests sub in 245 cases", buildAluReg},
    {24, "subu", "tests subu in 301 cases", buildAluReg},
    {25, "sltu", "tests sltu in 301 cases", buildAluReg},
    {26, "and", "tests and in 301 cases", buildAluReg},
    {27, "andi", "tests andi in 301 cases", buildAluImm},
    {28, "nor", "tests nor in 301 cases", buildAluReg},
    {29, "ori", "tests ori in 301 cases", buildAluImm},
    {30, "xor", "tests xor in 301 cases", buildAluReg},
    {31, "xori", "tests xori in 301 cases", buildAluImm},
    {32, "sllv", "tests sllv in 301 cases", buildShift},
    {33, "sra", "tests sra in 301 cases", buildShift},
    {34, "srav", "tests srav in 301 cases", buildShift},
    {35, "srl", "tests srl in 301 cases", buildShift},
    {36, "srlv", "tests srlv in 301 cases", buildShift},
    {37, "bgez", "tests bgez in 201 cases", buildBranch},
    {38, "bgtz", "tests bgtz in 201 cases", buildBranch},
    {39, "blez", "tests blez in 201 cases", buildBranch},
    {40, "bltz", "tests bltz in 153 cases", buildBranch},
    {41, "bltzal", "tests bltzal in 139 cases", buildBranchLink},
    {42, "bgezal", "tests bgezal in 146 cases", buildBranchLink},
    {43, "jalr", "tests jalr in 140 cases", buildJump},
    {44, "div", "tests div in 122 cases", buildMulDiv},
    {45, "divu", "tests divu in 178 cases", buildMulDiv},
    {46, "mult", "tests mult in 159 cases", buildMulDiv},
    {47, "multu", "tests multu in 142 cases", buildMulDiv},
    {48, "mfhi", "tests mfhi in 115 cases", buildHiLo},
    {49, "mflo", "tests mflo in 115 cases", buildHiLo},
    {50, "mthi", "tests mthi in 107 cases", buildHiLo},
    {51, "mtlo", "tests mtlo in 60 cases", buildHiLo},
    {52, "bgez_ds", "tests the delay slot of bgez in 32 cases", buildBranchSlot},
    {53, "bgtz_ds", "tests the delay slot of bgtz in 32 cases", buildBranchSlot},
    {54, "blez_ds", "tests the delay slot of blez in 32 cases", buildBranchSlot},
    {55, "bltz_ds", "tests the delay slot of bltz in 32 cases", buildBranchSlot},
    {56, "bltzal_ds", "tests the delay slot of bltzal in 32 cases", buildBranchSlot},
    {57, "bgezal_ds", "tests the delay slot of bgezal in 32 cases", buildBranchSlot},
    {58, "jalr_ds", "tests the delay slot of jalr in 32 cases", buildJumpSlot},
}};

const std::array<LinkSlot, 58> kLinkOrder{{
    {"n7_or", 0xbfc007f0, 10452, 3},
    {"n9_slti", 0xbfc030d0, 7060, 3},
    {"n27_andi", 0xbfc04c70, 7060, 3},
    {"n49_mflo", 0xbfc06810, 3704, 2},
    {"n32_sllv", 0xbfc07690, 8752, 0},
    {"n29_ori", 0xbfc098c0, 8060, 1},
    {"n16_beq_ds", 0xbfc0b840, 1288, 2},
    {"n25_sltu", 0xbfc0bd50, 9264, 0},
    {"n55_bltz_ds", 0xbfc0e180, 1952, 0},
    {"n44_div", 0xbfc0e920, 6848, 0},
    {"n21_add", 0xbfc103e0, 8624, 0},
    {"n17_bne_ds", 0xbfc12590, 1288, 2},
    {"n46_mult", 0xbfc12aa0, 9316, 3},
    {"n15_jr", 0xbfc14f10, 17080, 2},
    {"n20_jr_ds", 0xbfc191d0, 976, 0},
    {"n48_mfhi", 0xbfc195a0, 3712, 0},
    {"n11_sll", 0xbfc1a420, 7604, 3},
    {"n3_addiu", 0xbfc1c1e0, 3452, 1},
    {"n28_nor", 0xbfc1cf60, 10456, 2},
    {"n54_blez_ds", 0xbfc1f840, 1824, 0},
    {"n53_bgtz_ds", 0xbfc1ff60, 1952, 0},
    {"n12_sw", 0xbfc20700, 5752, 2},
    {"n52_bgez_ds", 0xbfc21d80, 1696, 0},
    {"n1_lui", 0xbfc22420, 4700, 1},
    {"n35_srl", 0xbfc23680, 7632, 0},
    {"n31_xori", 0xbfc25450, 8060, 1},
    {"n22_addi", 0xbfc273d0, 8060, 1},
    {"n18_j_ds", 0xbfc29350, 768, 0},
    {"n34_srav", 0xbfc29650, 8848, 0},
    {"n43_jalr", 0xbfc2b8e0, 22440, 2},
    {"n56_bltzal_ds", 0xbfc31090, 2208, 0},
    {"n42_bgezal", 0xbfc31930, 23388, 1},
    {"n38_bgtz", 0xbfc37490, 21668, 3},
    {"n5_bne", 0xbfc3c940, 17848, 2},
    {"n51_mtlo", 0xbfc40f00, 1952, 0},
    {"n41_bltzal", 0xbfc416a0, 22296, 2},
    {"n23_sub", 0xbfc46dc0, 8444, 1},
    {"n6_lw", 0xbfc48ec0, 5116, 1},
    {"n19_jal_ds", 0xbfc4a2c0, 976, 0},
    {"n39_blez", 0xbfc4a690, 21700, 3},
    {"n45_divu", 0xbfc4fb60, 9952, 0},
    {"n57_bgezal_ds", 0xbfc52240, 1952, 0},
    {"n4_beq", 0xbfc529e0, 11980, 1},
    {"n10_sltiu", 0xbfc558b0, 7060, 3},
    {"n13_j", 0xbfc57450, 12624, 0},
    {"n33_sra", 0xbfc5a5a0, 7580, 1},
    {"n30_xor", 0xbfc5c340, 10464, 0},
    {"n26_and", 0xbfc5ec20, 10036, 3},
    {"n58_jalr_ds", 0xbfc61360, 1536, 0},
    {"n8_slt", 0xbfc61960, 9264, 0},
    {"n40_bltz", 0xbfc63d90, 15372, 1},
    {"n14_jal", 0xbfc679a0, 16632, 2},
    {"n37_bgez", 0xbfc6baa0, 21696, 0},
    {"n36_srlv", 0xbfc70f60, 8852, 3},
    {"n2_addu", 0xbfc73200, 10464, 0},
    {"n50_mthi", 0xbfc75ae0, 3456, 0},
    {"n24_subu", 0xbfc76860, 10464, 0},
    {"n47_multu", 0xbfc79140, 8420, 3},
}};

const UnitEntry* findUnit(std::string_view name) {
    if (name.ends_with("_test")) name.remove_suffix(5);
    for (const auto& entry : kUnits) {
        const std::string full = "n" + std::to_string(entry.number) + "_" + std::string(entry.mnemonic);
        if (full == name) return &entry;
    }
    return nullptr;
}

std::optional<LinkSlot> linkSlot(std::string_view unit) {
    for (const auto& slot : kLinkOrder)
        if (slot.unit == unit) return slot;
    return std::nullopt;
}

Unit buildUnit(const UnitEntry& entry) {
    Unit u;
    u.number = entry.number;
    u.mnemonic = std::string(entry.mnemonic);
    u.title = std::string(entry.title);
    entry.build(u);
    if (const auto slot = linkSlot(u.name()))
        u.properties.insert(u.properties.begin(),
                            countProperty("routine size in bytes", slot->size, u.routineBytes()));
    return u;
}

} // namespace casegen
