#pragma once
// The MIPS-I results the arithmetic, logic and shift routines expect, written independently of
// the core library so that the case lists do not inherit a fault of the core they check.
#include <cstdint>
#include <string_view>

namespace casegen::alu {

inline std::int32_t signedOf(std::uint32_t v) {
    return static_cast<std::int32_t>(v);
}
inline bool isNegative(std::uint32_t v) {
    return (v >> 31) != 0;
}

// Signed 32-bit overflow of a + b and of a - b, decided on 64-bit sums.
inline bool addOverflows(std::uint32_t a, std::uint32_t b) {
    const std::int64_t sum = std::int64_t{signedOf(a)} + signedOf(b);
    return sum < INT32_MIN || sum > INT32_MAX;
}
inline bool subOverflows(std::uint32_t a, std::uint32_t b) {
    const std::int64_t diff = std::int64_t{signedOf(a)} - signedOf(b);
    return diff < INT32_MIN || diff > INT32_MAX;
}
// Carry out of bit 31 of the unsigned sum; borrow of the unsigned difference.
inline bool carries(std::uint32_t a, std::uint32_t b) {
    return std::uint64_t{a} + b > 0xffffffffu;
}
inline bool borrows(std::uint32_t a, std::uint32_t b) {
    return a < b;
}

enum class RegOp { Addu, Add, Subu, Sub, And, Or, Xor, Nor, Slt, Sltu };

// rd for `op rd, rs, rt` with rs = a and rt = b; add and sub are only asked for sums that fit.
inline std::uint32_t evalReg(RegOp op, std::uint32_t a, std::uint32_t b) {
    switch (op) {
    case RegOp::Addu:
    case RegOp::Add: return a + b;
    case RegOp::Subu:
    case RegOp::Sub: return a - b;
    case RegOp::And: return a & b;
    case RegOp::Or: return a | b;
    case RegOp::Xor: return a ^ b;
    case RegOp::Nor: return ~(a | b);
    case RegOp::Slt: return signedOf(a) < signedOf(b) ? 1 : 0;
    case RegOp::Sltu: return a < b ? 1 : 0;
    }
    return 0;
}

enum class ImmOp { Addiu, Addi, Slti, Sltiu, Andi, Ori, Xori };

inline std::uint32_t signExtend(std::uint16_t imm) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int16_t>(imm)));
}
inline std::uint32_t zeroExtend(std::uint16_t imm) {
    return imm;
}

// The arithmetic and compares sign-extend their immediate; the logical operations zero-extend it.
inline bool signExtends(ImmOp op) {
    return op == ImmOp::Addiu || op == ImmOp::Addi || op == ImmOp::Slti || op == ImmOp::Sltiu;
}

// rt for `op rt, rs, imm` once the immediate has been widened to `wide`.
inline std::uint32_t evalImmWide(ImmOp op, std::uint32_t rs, std::uint32_t wide) {
    switch (op) {
    case ImmOp::Addiu:
    case ImmOp::Addi: return rs + wide;
    case ImmOp::Slti: return signedOf(rs) < signedOf(wide) ? 1 : 0;
    case ImmOp::Sltiu: return rs < wide ? 1 : 0;
    case ImmOp::Andi: return rs & wide;
    case ImmOp::Ori: return rs | wide;
    case ImmOp::Xori: return rs ^ wide;
    }
    return 0;
}
inline std::uint32_t evalImm(ImmOp op, std::uint32_t rs, std::uint16_t imm) {
    return evalImmWide(op, rs, signExtends(op) ? signExtend(imm) : zeroExtend(imm));
}
// The result of a core that widens the immediate the other way.
inline std::uint32_t evalImmWrongExtension(ImmOp op, std::uint32_t rs, std::uint16_t imm) {
    return evalImmWide(op, rs, signExtends(op) ? zeroExtend(imm) : signExtend(imm));
}

enum class ShiftOp { Sll, Srl, Sra };

inline std::uint32_t evalShift(ShiftOp op, std::uint32_t value, int amount) {
    switch (op) {
    case ShiftOp::Sll: return value << amount;
    case ShiftOp::Srl: return value >> amount;
    case ShiftOp::Sra: {
        // Fill explicitly rather than rely on the compiler's right shift of a negative number.
        const std::uint32_t fill = isNegative(value) && amount > 0 ? ~(0xffffffffu >> amount) : 0;
        return (value >> amount) | fill;
    }
    }
    return 0;
}

} // namespace casegen::alu
