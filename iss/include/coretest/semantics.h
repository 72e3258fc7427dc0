#pragma once
// The MIPS-I integer instruction set and coprocessor 0, one operation per line or two, written
// with the core's helpers. `op` is what to execute: the run loop passes Instr::dispatch (which may
// be Op::Hook or Op::Countdown), a fault replacement that wants the real behaviour calls
// realSemantics().
#include <cstdint>

#include "coretest/instr.h"
#include "coretest/state.h"

namespace coretest {

inline std::uint32_t signExtend8(std::uint32_t v) {
    return static_cast<std::int8_t>(v);
}
inline std::uint32_t signExtend16(std::uint32_t v) {
    return static_cast<std::int16_t>(v);
}
inline std::int32_t asSigned(std::uint32_t v) {
    return static_cast<std::int32_t>(v);
}
inline bool addOverflows(std::uint32_t a, std::uint32_t b) {
    return ((a + b) ^ a) & ((a + b) ^ b) & 0x80000000u;
}
inline bool subOverflows(std::uint32_t a, std::uint32_t b) {
    return (a ^ b) & (a ^ (a - b)) & 0x80000000u;
}

// Little-endian partial-word loads and stores: `byte` is the address's offset in its word.
inline std::uint32_t mergeLeft(std::uint32_t reg, std::uint32_t mem, unsigned byte) {
    const unsigned keep = 8 * (3 - byte); // low register bits that lwl leaves alone
    return keep ? (mem << keep) | (reg & ((1u << keep) - 1)) : mem;
}
inline std::uint32_t mergeRight(std::uint32_t reg, std::uint32_t mem, unsigned byte) {
    const unsigned drop = 8 * byte;
    return drop ? (mem >> drop) | (reg & ~(0xffffffffu >> drop)) : mem;
}
inline std::uint32_t storeLeft(std::uint32_t mem, std::uint32_t reg, unsigned byte) {
    const unsigned drop = 8 * (3 - byte);
    return drop ? (reg >> drop) | (mem & ~(0xffffffffu >> drop)) : reg;
}
inline std::uint32_t storeRight(std::uint32_t mem, std::uint32_t reg, unsigned byte) {
    const unsigned keep = 8 * byte;
    return keep ? (reg << keep) | (mem & ((1u << keep) - 1)) : reg;
}

// Division as MIPS-I hardware does it, including the cases the architecture leaves open: by zero,
// LO is all ones for a non-negative dividend (1 for a negative one) and HI the dividend; the
// overflowing 0x80000000 / -1 gives LO 0x80000000, HI 0.
template <class C>
void divide(C& c, std::uint32_t n, std::uint32_t d, bool isSigned) {
    if (d == 0) {
        c.setLo(isSigned && asSigned(n) < 0 ? 1 : 0xffffffffu);
        c.setHi(n);
    } else if (!isSigned) {
        c.setLo(n / d);
        c.setHi(n % d);
    } else if (n == 0x80000000u && d == 0xffffffffu) {
        c.setLo(n);
        c.setHi(0);
    } else {
        c.setLo(static_cast<std::uint32_t>(asSigned(n) / asSigned(d)));
        c.setHi(static_cast<std::uint32_t>(asSigned(n) % asSigned(d)));
    }
}

template <class C>
void multiply(C& c, std::uint64_t product) {
    c.setLo(static_cast<std::uint32_t>(product));
    c.setHi(static_cast<std::uint32_t>(product >> 32));
}

template <class C>
void loadInto(C& c, const Instr& i, unsigned size, std::uint32_t (*extend)(std::uint32_t)) {
    if (auto v = c.load(c.rs(i) + i.imm, size)) c.setRt(i, extend(*v));
}

template <class C>
void loadPartial(C& c, const Instr& i,
                 std::uint32_t (*merge)(std::uint32_t, std::uint32_t, unsigned)) {
    const std::uint32_t addr = c.rs(i) + i.imm;
    if (auto w = c.load(addr & ~3u, 4)) c.setRt(i, merge(c.rt(i), *w, addr & 3));
}

template <class C>
void storePartial(C& c, const Instr& i,
                  std::uint32_t (*merge)(std::uint32_t, std::uint32_t, unsigned)) {
    const std::uint32_t addr = c.rs(i) + i.imm;
    if (auto w = c.load(addr & ~3u, 4)) c.store(addr & ~3u, 4, merge(*w, c.rt(i), addr & 3));
}

inline std::uint32_t zeroExtend(std::uint32_t v) {
    return v;
}

// add, addi, sub: the result is written only when it fits; otherwise the overflow exception.
template <class C>
void writeChecked(C& c, unsigned reg, bool overflow, std::uint32_t value) {
    if (overflow)
        c.raise(ExceptionCause::Overflow);
    else
        c.setReg(reg, value);
}

template <class C>
[[gnu::always_inline]] inline void semantics(C& c, const Instr& i, Op op) {
    const auto s = [&] { return c.rs(i); };
    const auto t = [&] { return c.rt(i); };
    switch (op) {
    case Op::Sll: c.setRd(i, t() << i.sa); break;
    case Op::Srl: c.setRd(i, t() >> i.sa); break;
    case Op::Sra: c.setRd(i, static_cast<std::uint32_t>(asSigned(t()) >> i.sa)); break;
    case Op::Sllv: c.setRd(i, t() << (s() & 31)); break;
    case Op::Srlv: c.setRd(i, t() >> (s() & 31)); break;
    case Op::Srav: c.setRd(i, static_cast<std::uint32_t>(asSigned(t()) >> (s() & 31))); break;
    case Op::Jr: c.jump(s()); break;
    case Op::Jalr: {
        const std::uint32_t target = s();
        c.link(i.rd);
        c.jump(target);
    } break;
    case Op::Syscall: c.raise(ExceptionCause::Syscall); break;
    case Op::Break: c.raise(ExceptionCause::Break); break;
    case Op::Mfhi: c.setRd(i, c.hi()); break;
    case Op::Mthi: c.setHi(s()); break;
    case Op::Mflo: c.setRd(i, c.lo()); break;
    case Op::Mtlo: c.setLo(s()); break;
    case Op::Mult:
        multiply(c, static_cast<std::uint64_t>(std::int64_t{asSigned(s())} * asSigned(t())));
        break;
    case Op::Multu: multiply(c, std::uint64_t{s()} * t()); break;
    case Op::Div: divide(c, s(), t(), true); break;
    case Op::Divu: divide(c, s(), t(), false); break;
    case Op::Add: writeChecked(c, i.rd, addOverflows(s(), t()), s() + t()); break;
    case Op::Addu: c.setRd(i, s() + t()); break;
    case Op::Sub: writeChecked(c, i.rd, subOverflows(s(), t()), s() - t()); break;
    case Op::Subu: c.setRd(i, s() - t()); break;
    case Op::And: c.setRd(i, s() & t()); break;
    case Op::Or: c.setRd(i, s() | t()); break;
    case Op::Xor: c.setRd(i, s() ^ t()); break;
    case Op::Nor: c.setRd(i, ~(s() | t())); break;
    case Op::Slt: c.setRd(i, asSigned(s()) < asSigned(t())); break;
    case Op::Sltu: c.setRd(i, s() < t()); break;
    case Op::Bltz: c.branch(i, asSigned(s()) < 0); break;
    case Op::Bgez: c.branch(i, asSigned(s()) >= 0); break;
    case Op::Bltzal: {
        const bool taken = asSigned(s()) < 0;
        c.link(31);
        c.branch(i, taken);
    } break;
    case Op::Bgezal: {
        const bool taken = asSigned(s()) >= 0;
        c.link(31);
        c.branch(i, taken);
    } break;
    case Op::J: c.jump(i.imm); break;
    case Op::Jal:
        c.link(31);
        c.jump(i.imm);
        break;
    case Op::Beq: c.branch(i, s() == t()); break;
    case Op::Bne: c.branch(i, s() != t()); break;
    case Op::Blez: c.branch(i, asSigned(s()) <= 0); break;
    case Op::Bgtz: c.branch(i, asSigned(s()) > 0); break;
    case Op::Addi: writeChecked(c, i.rt, addOverflows(s(), i.imm), s() + i.imm); break;
    case Op::Addiu: c.setRt(i, s() + i.imm); break;
    case Op::Slti: c.setRt(i, asSigned(s()) < asSigned(i.imm)); break;
    case Op::Sltiu: c.setRt(i, s() < i.imm); break;
    case Op::Andi: c.setRt(i, s() & i.imm); break;
    case Op::Ori: c.setRt(i, s() | i.imm); break;
    case Op::Xori: c.setRt(i, s() ^ i.imm); break;
    case Op::Lui: c.setRt(i, i.imm); break;
    case Op::Lb: loadInto(c, i, 1, signExtend8); break;
    case Op::Lh: loadInto(c, i, 2, signExtend16); break;
    case Op::Lwl: loadPartial(c, i, mergeLeft); break;
    case Op::Lw: loadInto(c, i, 4, zeroExtend); break;
    case Op::Lbu: loadInto(c, i, 1, zeroExtend); break;
    case Op::Lhu: loadInto(c, i, 2, zeroExtend); break;
    case Op::Lwr: loadPartial(c, i, mergeRight); break;
    case Op::Sb: c.store(s() + i.imm, 1, t() & 0xff); break;
    case Op::Sh: c.store(s() + i.imm, 2, t() & 0xffff); break;
    case Op::Swl: storePartial(c, i, storeLeft); break;
    case Op::Sw: c.store(s() + i.imm, 4, t()); break;
    case Op::Swr: storePartial(c, i, storeRight); break;
    case Op::Mfc0:
        if (c.usable(0)) c.setRt(i, c.cp0Reg(i.rd));
        break;
    case Op::Mtc0:
        if (c.usable(0)) c.setCp0Reg(i.rd, t());
        break;
    case Op::Rfe:
        if (c.usable(0)) c.popStatus();
        break;
    // No coprocessor 1 to 3 is attached: with its CU bit set the instruction does nothing.
    case Op::Cop: c.usable(copNumber(i.word)); break;
    case Op::Reserved: c.raise(ExceptionCause::Reserved); break;
    case Op::Hook:
    case Op::Countdown: c.hooked(i); break;
    }
}

// The unfaulted behaviour of i, for replacements that change only part of it.
template <class C>
void realSemantics(C& c, const Instr& i) {
    semantics(c, i, i.op);
}

} // namespace coretest
