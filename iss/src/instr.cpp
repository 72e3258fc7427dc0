#include "coretest/instr.h"

#include <array>

namespace coretest {

namespace {

// Operation by SPECIAL function code (bits 5..0), primary opcode (bits 31..26) and REGIMM rt.
constexpr std::array<Op, 64> specialOps() {
    std::array<Op, 64> t{};
    t.fill(Op::Reserved);
    t[0x00] = Op::Sll, t[0x02] = Op::Srl, t[0x03] = Op::Sra, t[0x04] = Op::Sllv;
    t[0x06] = Op::Srlv, t[0x07] = Op::Srav, t[0x08] = Op::Jr, t[0x09] = Op::Jalr;
    t[0x0c] = Op::Syscall, t[0x0d] = Op::Break, t[0x10] = Op::Mfhi, t[0x11] = Op::Mthi;
    t[0x12] = Op::Mflo, t[0x13] = Op::Mtlo, t[0x18] = Op::Mult, t[0x19] = Op::Multu;
    t[0x1a] = Op::Div, t[0x1b] = Op::Divu, t[0x20] = Op::Add, t[0x21] = Op::Addu;
    t[0x22] = Op::Sub, t[0x23] = Op::Subu, t[0x24] = Op::And, t[0x25] = Op::Or;
    t[0x26] = Op::Xor, t[0x27] = Op::Nor, t[0x2a] = Op::Slt, t[0x2b] = Op::Sltu;
    return t;
}

constexpr std::array<Op, 64> primaryOps() {
    std::array<Op, 64> t{};
    t.fill(Op::Reserved);
    t[0x02] = Op::J, t[0x03] = Op::Jal, t[0x04] = Op::Beq, t[0x05] = Op::Bne;
    t[0x06] = Op::Blez, t[0x07] = Op::Bgtz, t[0x08] = Op::Addi, t[0x09] = Op::Addiu;
    t[0x0a] = Op::Slti, t[0x0b] = Op::Sltiu, t[0x0c] = Op::Andi, t[0x0d] = Op::Ori;
    t[0x0e] = Op::Xori, t[0x0f] = Op::Lui, t[0x20] = Op::Lb, t[0x21] = Op::Lh;
    t[0x22] = Op::Lwl, t[0x23] = Op::Lw, t[0x24] = Op::Lbu, t[0x25] = Op::Lhu;
    t[0x26] = Op::Lwr, t[0x28] = Op::Sb, t[0x29] = Op::Sh, t[0x2a] = Op::Swl;
    t[0x2b] = Op::Sw, t[0x2e] = Op::Swr;
    // Coprocessors 1 to 3: their operations, loads and stores.
    t[0x11] = Op::Cop, t[0x12] = Op::Cop, t[0x13] = Op::Cop;
    t[0x31] = Op::Cop, t[0x32] = Op::Cop, t[0x33] = Op::Cop;
    t[0x39] = Op::Cop, t[0x3a] = Op::Cop, t[0x3b] = Op::Cop;
    return t;
}

constexpr auto kSpecial = specialOps();
constexpr auto kPrimary = primaryOps();

constexpr std::array<std::string_view, kOpCount> kNames{
    "sll",   "srl",  "sra",  "sllv",   "srlv",   "srav",  "jr",    "jalr", "syscall",
    "break", "mfhi", "mthi", "mflo",   "mtlo",   "mult",  "multu", "div",  "divu",
    "add",   "addu", "sub",  "subu",   "and",    "or",    "xor",   "nor",  "slt",
    "sltu",  "bltz", "bgez", "bltzal", "bgezal", "j",     "jal",   "beq",  "bne",
    "blez",  "bgtz", "addi", "addiu",  "slti",   "sltiu", "andi",  "ori",  "xori",
    "lui",   "lb",   "lh",   "lwl",    "lw",     "lbu",   "lhu",   "lwr",  "sb",
    "sh",    "swl",  "sw",   "swr",    "mfc0",   "mtc0",  "rfe",   "cop",  "reserved"};

Op regimmOp(unsigned rt) {
    switch (rt) {
    case 0x00: return Op::Bltz;
    case 0x01: return Op::Bgez;
    case 0x10: return Op::Bltzal;
    case 0x11: return Op::Bgezal;
    default: return Op::Reserved;
    }
}

// COP0: mfc0 and mtc0 (rs 0 and 4, bits 10..0 zero) and rfe (the CO form with function 0x10,
// every other field zero). The rest of COP0 (cfc0, ctc0, the TLB operations of a core with a
// TLB) is reserved here.
Op cop0Op(std::uint32_t word) {
    const unsigned rs = (word >> 21) & 31;
    if ((rs == 0 || rs == 4) && (word & 0x7ff) == 0) return rs == 0 ? Op::Mfc0 : Op::Mtc0;
    if (word == 0x42000010u) return Op::Rfe;
    return Op::Reserved;
}

Op operation(std::uint32_t word) {
    const unsigned opcode = word >> 26;
    if (opcode == 0) return kSpecial[word & 0x3f];
    if (opcode == 1) return regimmOp((word >> 16) & 31);
    if (opcode == 0x10) return cop0Op(word);
    return kPrimary[opcode];
}

// The value Instr::imm holds for this operation.
std::uint32_t immediate(Op op, std::uint32_t word, std::uint32_t pc) {
    const std::uint32_t low = word & 0xffff;
    const std::uint32_t signedLow = static_cast<std::uint32_t>(static_cast<std::int16_t>(low));
    switch (op) {
    case Op::Andi:
    case Op::Ori:
    case Op::Xori: return low;
    case Op::Lui: return low << 16;
    case Op::J:
    case Op::Jal: return ((pc + 4) & 0xf0000000u) | ((word & 0x03ffffffu) << 2);
    case Op::Beq:
    case Op::Bne:
    case Op::Blez:
    case Op::Bgtz:
    case Op::Bltz:
    case Op::Bgez:
    case Op::Bltzal:
    case Op::Bgezal: return pc + 4 + (signedLow << 2);
    default: return signedLow;
    }
}

} // namespace

Instr decode(std::uint32_t word, std::uint32_t pc) {
    const Op op = operation(word);
    return Instr{.word = word,
                 .imm = immediate(op, word, pc),
                 .op = op,
                 .dispatch = op,
                 .rs = static_cast<std::uint8_t>((word >> 21) & 31),
                 .rt = static_cast<std::uint8_t>((word >> 16) & 31),
                 .rd = static_cast<std::uint8_t>((word >> 11) & 31),
                 .sa = static_cast<std::uint8_t>((word >> 6) & 31)};
}

std::string_view opName(Op op) {
    switch (op) {
    case Op::Hook: return "hook";
    case Op::Countdown: return "countdown";
    default: return kNames[static_cast<std::size_t>(op)];
    }
}

bool hasDelaySlot(Op op) {
    switch (op) {
    case Op::Jr:
    case Op::Jalr:
    case Op::J:
    case Op::Jal:
    case Op::Beq:
    case Op::Bne:
    case Op::Blez:
    case Op::Bgtz:
    case Op::Bltz:
    case Op::Bgez:
    case Op::Bltzal:
    case Op::Bgezal: return true;
    default: return false;
    }
}

} // namespace coretest
