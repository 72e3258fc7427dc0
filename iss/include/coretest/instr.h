#pragma once
// MIPS-I user integer instructions as the core executes them: one operation code plus the fields
// the semantics need, decoded once from the instruction word.
#include <cstdint>
#include <string_view>

namespace coretest {

enum class Op : std::uint8_t {
    // SPECIAL
    Sll,
    Srl,
    Sra,
    Sllv,
    Srlv,
    Srav,
    Jr,
    Jalr,
    Syscall,
    Break,
    Mfhi,
    Mthi,
    Mflo,
    Mtlo,
    Mult,
    Multu,
    Div,
    Divu,
    Add,
    Addu,
    Sub,
    Subu,
    And,
    Or,
    Xor,
    Nor,
    Slt,
    Sltu,
    // REGIMM
    Bltz,
    Bgez,
    Bltzal,
    Bgezal,
    // primary opcodes
    J,
    Jal,
    Beq,
    Bne,
    Blez,
    Bgtz,
    Addi,
    Addiu,
    Slti,
    Sltiu,
    Andi,
    Ori,
    Xori,
    Lui,
    Lb,
    Lh,
    Lwl,
    Lw,
    Lbu,
    Lhu,
    Lwr,
    Sb,
    Sh,
    Swl,
    Sw,
    Swr,
    // coprocessor 0 (COP0 with rs 0, rs 4, and the CO form with function 0x10)
    Mfc0,
    Mtc0,
    Rfe,
    // an instruction of coprocessor 1, 2 or 3 (COPz, LWCz, SWCz): the core has none of them, so
    // it raises the coprocessor-unusable exception while the coprocessor's CU bit is clear
    Cop,
    // any word that is not one of the above: raises the reserved-instruction exception
    Reserved,
    // Not an instruction: the dispatch code of a decoded entry that carries a fault replacement,
    // a watch or a stop point (Instr::dispatch).
    Hook,
    // Not an instruction: the dispatch code of the first entry of a countdown loop
    // (`addiu r, r, -1; bne r, $zero, back; nop`), whose turns the core may run in one step.
    Countdown,
};

inline constexpr int kOpCount = static_cast<int>(Op::Reserved) + 1;

// One decoded instruction. `imm` holds what the operation uses: the sign-extended immediate for
// arithmetic, compares, loads and stores; the zero-extended immediate for andi/ori/xori; the
// shifted value for lui; the absolute target address for branches and j/jal.
struct Instr {
    std::uint32_t word = 0;
    std::uint32_t imm = 0;
    Op op = Op::Reserved;
    Op dispatch = Op::Reserved; // what the run loop switches on: `op`, Op::Hook or Op::Countdown
    std::uint8_t rs = 0;
    std::uint8_t rt = 0;
    std::uint8_t rd = 0;
    std::uint8_t sa = 0;
    std::uint16_t hook = 0; // index into the run's hook table when dispatch is Op::Hook
};

// The coprocessor an Op::Cop word addresses (1, 2 or 3: bits 27..26 of the opcode).
inline unsigned copNumber(std::uint32_t word) {
    return (word >> 26) & 3;
}

// Decodes the word found at address pc (pc fixes branch and jump targets).
Instr decode(std::uint32_t word, std::uint32_t pc);

// "addu", "bltzal", ... ("reserved" for Op::Reserved).
std::string_view opName(Op op);

// Branches and jumps: the instructions that have a delay slot.
bool hasDelaySlot(Op op);

} // namespace coretest
