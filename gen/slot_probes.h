#pragma once
// The probe list shared by the delay-slot routines. A probe is an ordinary instruction that a case
// runs as straight-line reference and in one or two delay slots. The probes chain through
// registers from case to case (base address, stored value, HI/LO of the last multiply), so their
// order is fixed; a few routines move the first probes to other registers or offsets.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

namespace casegen::slot {

// General registers by number.
// clang-format off
enum Reg : int {
    zero, at, v0, v1, a0, a1, a2, a3,
    t0,   t1, t2, t3, t4, t5, t6, t7,
    s0,   s1, s2, s3, s4, s5, s6, s7,
    t8,   t9, k0, k1, gp, sp, fp, ra,
};
// clang-format on

inline std::string regName(int r) {
    static constexpr std::array<std::string_view, 32> kNames{
        "zero", "at", "v0", "v1", "a0", "a1", "a2", "a3", "t0", "t1", "t2",
        "t3",   "t4", "t5", "t6", "t7", "s0", "s1", "s2", "s3", "s4", "s5",
        "s6",   "s7", "t8", "t9", "k0", "k1", "gp", "sp", "fp", "ra"};
    return "$" + std::string(kNames.at(static_cast<std::size_t>(r)));
}

// clang-format off
enum class Op {
    Lui, Addiu, Sw, Lw, Addu, Or, Slt, Slti, Sltiu, Sltu, Sll, Add, Addi, Sub, Subu, And,
    Andi, Nor, Ori, Xor, Xori, Sllv, Sra, Srav, Srl, Srlv, Div, Divu, Mult, Multu, Mfhi, Mflo,
};
// clang-format on

// How an instruction's operands are written.
enum class Shape {
    Upper,     // lui d, imm
    Signed,    // op d, a, imm with the immediate sign-extended
    Unsigned,  // op d, a, imm with the immediate zero-extended
    Memory,    // op d, imm(a)
    Registers, // op d, a, b
    ShiftBy,   // op d, a, amount
    MulDiv,    // op a, b; divides as "div $zero, a, b" so the assembler adds no zero check
    FromHiLo,  // op d
};

struct OpInfo {
    Op op;
    std::string_view mnemonic;
    Shape shape;
};

inline constexpr std::array<OpInfo, 32> kOps{{
    {Op::Lui, "lui", Shape::Upper},       {Op::Addiu, "addiu", Shape::Signed},
    {Op::Sw, "sw", Shape::Memory},        {Op::Lw, "lw", Shape::Memory},
    {Op::Addu, "addu", Shape::Registers}, {Op::Or, "or", Shape::Registers},
    {Op::Slt, "slt", Shape::Registers},   {Op::Slti, "slti", Shape::Signed},
    {Op::Sltiu, "sltiu", Shape::Signed},  {Op::Sltu, "sltu", Shape::Registers},
    {Op::Sll, "sll", Shape::ShiftBy},     {Op::Add, "add", Shape::Registers},
    {Op::Addi, "addi", Shape::Signed},    {Op::Sub, "sub", Shape::Registers},
    {Op::Subu, "subu", Shape::Registers}, {Op::And, "and", Shape::Registers},
    {Op::Andi, "andi", Shape::Unsigned},  {Op::Nor, "nor", Shape::Registers},
    {Op::Ori, "ori", Shape::Unsigned},    {Op::Xor, "xor", Shape::Registers},
    {Op::Xori, "xori", Shape::Unsigned},  {Op::Sllv, "sllv", Shape::Registers},
    {Op::Sra, "sra", Shape::ShiftBy},     {Op::Srav, "srav", Shape::Registers},
    {Op::Srl, "srl", Shape::ShiftBy},     {Op::Srlv, "srlv", Shape::Registers},
    {Op::Div, "div", Shape::MulDiv},      {Op::Divu, "divu", Shape::MulDiv},
    {Op::Mult, "mult", Shape::MulDiv},    {Op::Multu, "multu", Shape::MulDiv},
    {Op::Mfhi, "mfhi", Shape::FromHiLo},  {Op::Mflo, "mflo", Shape::FromHiLo},
}};

// info() indexes the table by the enumerator's value.
static_assert([] {
    for (std::size_t i = 0; i < kOps.size(); ++i)
        if (static_cast<std::size_t>(kOps[i].op) != i) return false;
    return true;
}());

inline const OpInfo& info(Op op) {
    return kOps.at(static_cast<std::size_t>(op));
}

// One instruction of the list. `dest` is the operand a case substitutes (the destination, or the
// stored register of sw); `a` and `b` are the sources in the order they are written (a is the
// base of sw/lw, the shifted value of sllv/srav/srlv).
struct Probe {
    Op op;
    int dest = zero;
    int a = zero;
    int b = zero;
    std::int32_t imm = 0;
};

inline bool isMulDiv(const Probe& p) {
    return info(p.op).shape == Shape::MulDiv;
}

inline std::string signedHex(std::int32_t v) {
    return v < 0 ? fmt::format("-0x{:x}", -static_cast<std::int64_t>(v)) : fmt::format("0x{:x}", v);
}

// Everything after the substituted operand, e.g. "$t0, -0x7edd"; empty for mfhi/mflo. For a
// multiply or divide, which substitutes nothing, all of its operands.
inline std::string tail(const Probe& p) {
    switch (info(p.op).shape) {
    case Shape::Upper: return fmt::format("0x{:x}", static_cast<std::uint32_t>(p.imm));
    case Shape::Signed: return fmt::format("{}, {}", regName(p.a), signedHex(p.imm));
    case Shape::Unsigned:
        return fmt::format("{}, 0x{:x}", regName(p.a), static_cast<std::uint32_t>(p.imm));
    case Shape::Memory: return fmt::format("{}({})", signedHex(p.imm), regName(p.a));
    case Shape::Registers: return fmt::format("{}, {}", regName(p.a), regName(p.b));
    case Shape::ShiftBy: return fmt::format("{}, {}", regName(p.a), p.imm);
    case Shape::MulDiv:
        return p.op == Op::Div || p.op == Op::Divu
                   ? fmt::format("$zero, {}, {}", regName(p.a), regName(p.b))
                   : fmt::format("{}, {}", regName(p.a), regName(p.b));
    case Shape::FromHiLo: return "";
    }
    return "";
}

// The instruction as the unit writes it, with its substituted operand in `dest`.
inline std::string render(const Probe& p) {
    const std::string mnemonic(info(p.op).mnemonic);
    if (isMulDiv(p)) return mnemonic + " " + tail(p);
    const std::string rest = tail(p);
    return mnemonic + " " + regName(p.dest) + (rest.empty() ? "" : ", " + rest);
}

// The canonical list: 26 probes for every routine, 6 more (multiply/divide and HI/LO reads) for
// the sign-testing branches and jalr.
inline constexpr int kShortList = 26;
inline constexpr int kLongList = 32;

inline const std::array<Probe, kLongList>& canonicalProbes() {
    static const std::array<Probe, kLongList> kList{{
        {Op::Lui, t0, zero, zero, 0x8002},  // base of the data word
        {Op::Addiu, t1, t0, zero, -0x7edd}, // the value stored next
        {Op::Sw, t1, t0, zero, -0x7120},    //
        {Op::Lw, t2, t0, zero, -0x7120},    //
        {Op::Addu, t3, t1, t2},             //
        {Op::Or, t4, s1, s2},               // run-wide registers from here on
        {Op::Slt, t5, s2, s3},              //
        {Op::Slti, t6, s2, zero, -0x7fef},  //
        {Op::Sltiu, t7, s2, zero, -0x7fef}, //
        {Op::Sltu, t8, s2, s3},             //
        {Op::Sll, t1, s2, zero, 17},        //
        {Op::Add, t2, t0, s0},              //
        {Op::Addi, t3, s0, zero, -0x7ffe},  //
        {Op::Sub, t4, t0, s0},              //
        {Op::Subu, t5, t0, s0},             //
        {Op::And, t6, t0, s0},              //
        {Op::Andi, t7, s0, zero, 0x8ff2},   //
        {Op::Nor, t8, t0, s0},              //
        {Op::Ori, t1, s0, zero, 0x8ff2},    //
        {Op::Xor, t2, t0, s0},              //
        {Op::Xori, t3, s0, zero, 0x8ff2},   //
        {Op::Sllv, t4, t0, s0},             //
        {Op::Sra, t5, s0, zero, 8},         //
        {Op::Srav, t6, t0, s0},             //
        {Op::Srl, t7, s0, zero, 8},         //
        {Op::Srlv, t8, t0, s0},             //
        {Op::Div, zero, t0, t1},            // operands from the two setup lines
        {Op::Divu, zero, t0, t1},           //
        {Op::Mult, zero, t0, t1},           //
        {Op::Multu, zero, t0, t1},          //
        {Op::Mfhi, t7},                     // HI as the last multiply left it
        {Op::Mflo, t6},                     // LO likewise
    }};
    return kList;
}

// The two single-instruction lines between probe 26 and probe 27: dividend/multiplicand and
// divisor/multiplier of the multiply and divide probes.
inline const std::array<Probe, 2>& setupLines() {
    static const std::array<Probe, 2> kSetup{{
        {Op::Lui, t0, zero, zero, 0x8000},
        {Op::Ori, t1, zero, zero, 0x8000},
    }};
    return kSetup;
}

// Routines that move probes to other work registers or data words.
struct ProbeOverride {
    int routine;
    int probe; // 1-based
    Probe replacement;
};

inline const std::vector<ProbeOverride>& probeOverrides() {
    static const std::vector<ProbeOverride> kOverrides{
        // bne: base a0, word 0x80020120; never writes t0, so later probes read its entry value.
        {17, 1, {Op::Lui, a0, zero, zero, 0x8002}},
        {17, 2, {Op::Addiu, a1, a0, zero, -0x7edd}},
        {17, 3, {Op::Sw, a1, a0, zero, 0x120}},
        {17, 4, {Op::Lw, a2, a0, zero, 0x120}},
        {17, 5, {Op::Addu, a3, a1, a2}},
        {17, 6, {Op::Or, t1, s1, s2}},
        {17, 7, {Op::Slt, t2, s2, s3}},
        {17, 8, {Op::Slti, t3, s2, zero, -0x7fef}},
        // j: word 0x80027120; probes 6-8 write t9, t8, t7.
        {18, 3, {Op::Sw, t1, t0, zero, 0x7120}},
        {18, 4, {Op::Lw, t2, t0, zero, 0x7120}},
        {18, 6, {Op::Or, t9, s1, s2}},
        {18, 7, {Op::Slt, t8, s2, s3}},
        {18, 8, {Op::Slti, t7, s2, zero, -0x7fef}},
        // jal: base a3, word 0x80019ee0; never writes t0.
        {19, 1, {Op::Lui, a3, zero, zero, 0x8002}},
        {19, 2, {Op::Addiu, a2, a3, zero, -0x7edd}},
        {19, 3, {Op::Sw, a2, a3, zero, -0x6120}},
        {19, 4, {Op::Lw, a1, a3, zero, -0x6120}},
        {19, 5, {Op::Addu, a0, a2, a1}},
    };
    return kOverrides;
}

// One source line of a delay-slot routine's body: a probe case, or a setup line.
struct SlotLine {
    Probe probe;
    int number = 0; // probe number 1..32; 0 for a setup line
    bool isCase() const { return number != 0; }
};

// The routine's lines in order: probes 1-26, and for the long list the two setup lines and
// probes 27-32.
inline std::vector<SlotLine> probeLines(int routine, int probes) {
    std::vector<SlotLine> lines;
    const auto& list = canonicalProbes();
    for (int n = 1; n <= probes; ++n) {
        if (n == kShortList + 1)
            for (const auto& s : setupLines())
                lines.push_back({s, 0});
        Probe p = list.at(static_cast<std::size_t>(n - 1));
        for (const auto& o : probeOverrides())
            if (o.routine == routine && o.probe == n) p = o.replacement;
        lines.push_back({p, n});
    }
    return lines;
}

// The macro arguments after the case kind: "addiu, $t1, $t0, -0x7edd" for a probe with a result
// register, "div, $zero, $t0, $t1" for a multiply or divide.
inline std::string probeArguments(const Probe& p) {
    const std::string mnemonic(info(p.op).mnemonic);
    if (isMulDiv(p)) return mnemonic + ", " + tail(p);
    const std::string rest = tail(p);
    return mnemonic + ", " + regName(p.dest) + (rest.empty() ? "" : ", " + rest);
}

} // namespace casegen::slot
