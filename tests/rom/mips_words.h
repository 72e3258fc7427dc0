#pragma once
// MIPS I instruction words, encoded from their fields, for the words the image must hold at fixed
// places (boot unit, routine frames); and the branch targets a word names.
#include <cstdint>
#include <optional>

namespace romtest::mips {

// General registers by number.
// clang-format off
enum Reg : std::uint32_t {
    zero, at, v0, v1, a0, a1, a2, a3,
    t0, t1, t2, t3, t4, t5, t6, t7,
    s0, s1, s2, s3, s4, s5, s6, s7,
    t8, t9, k0, k1, gp, sp, fp, ra,
};
// clang-format on

constexpr std::uint32_t iType(std::uint32_t op, Reg rs, Reg rt, std::uint32_t imm) {
    return op << 26 | rs << 21 | rt << 16 | (imm & 0xffff);
}
constexpr std::uint32_t rType(Reg rs, Reg rt, Reg rd, std::uint32_t shamt, std::uint32_t funct) {
    return rs << 21 | rt << 16 | rd << 11 | shamt << 6 | funct;
}
// Branch offset field of a branch at pc to target: words from the delay slot.
constexpr std::uint32_t branchField(std::uint32_t pc, std::uint32_t target) {
    return ((target - (pc + 4)) >> 2) & 0xffff;
}

constexpr std::uint32_t nop = 0;
constexpr std::uint32_t addiu(Reg rt, Reg rs, std::int32_t imm) {
    return iType(0x09, rs, rt, static_cast<std::uint32_t>(imm));
}
constexpr std::uint32_t ori(Reg rt, Reg rs, std::uint32_t imm) {
    return iType(0x0d, rs, rt, imm);
}
constexpr std::uint32_t lui(Reg rt, std::uint32_t imm) {
    return iType(0x0f, zero, rt, imm);
}
constexpr std::uint32_t lw(Reg rt, std::int32_t offset, Reg base) {
    return iType(0x23, base, rt, static_cast<std::uint32_t>(offset));
}
constexpr std::uint32_t sw(Reg rt, std::int32_t offset, Reg base) {
    return iType(0x2b, base, rt, static_cast<std::uint32_t>(offset));
}
constexpr std::uint32_t addu(Reg rd, Reg rs, Reg rt) {
    return rType(rs, rt, rd, 0, 0x21);
}
constexpr std::uint32_t or_(Reg rd, Reg rs, Reg rt) {
    return rType(rs, rt, rd, 0, 0x25);
}
constexpr std::uint32_t sll(Reg rd, Reg rt, std::uint32_t sa) {
    return rType(zero, rt, rd, sa, 0);
}
constexpr std::uint32_t jr(Reg rs) {
    return rType(rs, zero, zero, 0, 0x08);
}
constexpr std::uint32_t beq(std::uint32_t pc, Reg rs, Reg rt, std::uint32_t target) {
    return iType(0x04, rs, rt, branchField(pc, target));
}
constexpr std::uint32_t bne(std::uint32_t pc, Reg rs, Reg rt, std::uint32_t target) {
    return iType(0x05, rs, rt, branchField(pc, target));
}
constexpr std::uint32_t j(std::uint32_t target) {
    return 0x02u << 26 | ((target >> 2) & 0x3ffffff);
}
constexpr std::uint32_t jal(std::uint32_t target) {
    return 0x03u << 26 | ((target >> 2) & 0x3ffffff);
}

// The address a branch or jump word at pc transfers to; none for every other word (jr and jalr
// included: their target is in a register).
constexpr std::optional<std::uint32_t> staticTarget(std::uint32_t pc, std::uint32_t word) {
    const std::uint32_t op = word >> 26;
    const auto offset = static_cast<std::int32_t>(static_cast<std::int16_t>(word & 0xffff));
    const std::uint32_t branchTarget = pc + 4 + static_cast<std::uint32_t>(offset * 4);
    if (op >= 0x04 && op <= 0x07) return branchTarget; // beq, bne, blez, bgtz
    if (op == 0x01) {                                  // bltz, bgez, bltzal, bgezal
        const std::uint32_t rt = (word >> 16) & 0x1f;
        if (rt == 0x00 || rt == 0x01 || rt == 0x10 || rt == 0x11) return branchTarget;
    }
    if (op == 0x02 || op == 0x03) return ((pc + 4) & 0xf0000000) | ((word & 0x3ffffff) << 2);
    return std::nullopt;
}

} // namespace romtest::mips
