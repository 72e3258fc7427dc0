// The immediate routines as generated: every case read back and checked against MIPS-I results
// computed here, the counts of cases that catch a wrong widening of the immediate, the telling
// cases, the bans and shares, and the first failing case of each widening or compare fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "alu_routines.h"
#include "alu_support.h"
#include "unit.h"

namespace {

using namespace alutest;
using U = std::uint32_t;

struct ImmCase {
    int number;
    std::string macro, op;
    U operand;
    unsigned imm;
    U expected;
};

std::vector<ImmCase> immCases(const casegen::Unit& u) {
    return casesOf(u, 4, [](const CaseLine& c) {
        return ImmCase{c.number,       c.macro,        c.args[0],
                       num(c.args[2]), num(c.args[3]), num(c.args[1])};
    });
}

std::int64_t sx(U v) {
    return static_cast<std::int32_t>(v);
}
U sext(unsigned imm) {
    return imm >= 0x8000 ? imm + 0xffff0000u : imm;
}
U zext(unsigned imm) {
    return imm;
}

// MIPS-I result of `op rt, rs, imm` when the immediate has been widened to `wide`.
U withWide(const std::string& op, U rs, U wide) {
    if (op == "addiu" || op == "addi") return U((std::uint64_t(rs) + wide) & 0xffffffffull);
    if (op == "slti") return sx(rs) < sx(wide);
    if (op == "sltiu") return rs < wide;
    if (op == "andi") return rs & wide;
    if (op == "ori") return rs | wide;
    if (op == "xori") return rs ^ wide;
    ADD_FAILURE() << "unknown op " << op;
    return 0;
}
bool signExtending(const std::string& op) {
    return op == "addiu" || op == "addi" || op == "slti" || op == "sltiu";
}
U reference(const std::string& op, U rs, unsigned imm) {
    return withWide(op, rs, signExtending(op) ? sext(imm) : zext(imm));
}
U otherWidening(const std::string& op, U rs, unsigned imm) {
    return withWide(op, rs, signExtending(op) ? zext(imm) : sext(imm));
}
bool sumOverflows(U rs, unsigned imm) {
    const std::int64_t s = sx(rs) + sx(sext(imm));
    return s > INT32_MAX || s < INT32_MIN;
}

TEST(AluImmUnit, EveryCaseExpectsTheMipsResultInItsBlock) {
    for (const auto& r : kImmRoutines) {
        SCOPED_TRACE(r.unit);
        const auto cases = immCases(unitNamed(r.unit));
        ASSERT_EQ(int(cases.size()), r.general + r.secondZero + r.firstZero + 1);
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const auto& c = cases[i];
            SCOPED_TRACE(c.number);
            EXPECT_EQ(c.number, int(i) + 1);
            EXPECT_EQ(c.op, r.op);
            EXPECT_EQ(c.macro, signExtending(r.op) ? "alu_ri_sext" : "alu_ri_zext");
            EXPECT_LT(c.imm, 0x10000u);
            EXPECT_EQ(c.expected, reference(r.op, c.operand, c.imm));
            const int pos = int(i);
            if (pos < r.general) {
                EXPECT_TRUE(fullWidth(c.operand) && c.imm != 0);
            } else if (pos < r.general + r.secondZero) {
                EXPECT_TRUE(fullWidth(c.operand) && c.imm == 0);
            } else if (pos < r.general + r.secondZero + r.firstZero) {
                EXPECT_TRUE(c.operand == 0 && c.imm != 0);
            } else {
                EXPECT_TRUE(c.operand == 0 && c.imm == 0);
                EXPECT_EQ(c.expected, 0u);
            }
        }
    }
}

TEST(AluImmUnit, RoutineSizeFollowsFromTheOperandLoads) {
    for (const auto& r : kImmRoutines) {
        SCOPED_TRACE(r.unit);
        const auto u = unitNamed(r.unit);
        expectRoutineSizeFromCases(u, immCases(u), [](const ImmCase& c) {
            return loadLength(c.operand) + loadLength(c.expected) + 3;
        });
    }
}

TEST(AluImmUnit, CountedPropertiesHold) {
    const auto changes = [](const ImmCase& c) {
        return reference(c.op, c.operand, c.imm) != otherWidening(c.op, c.operand, c.imm);
    };
    const auto one = [](const ImmCase& c) { return c.expected == 1; };
    const std::vector<CountRow<ImmCase>> table{
        {"n3_addiu", "other widening changes", 1, 123, 57, changes},
        {"n3_addiu", "bit 15 set", 1, 123, 57, [](const ImmCase& c) { return c.imm >= 0x8000; }},
        {"n3_addiu", "overflow", 1, 123, 0,
         [](const ImmCase& c) { return sumOverflows(c.operand, c.imm); }},
        {"n22_addi", "other widening changes", 1, 301, 123, changes},
        {"n22_addi", "overflow", 1, 301, 0,
         [](const ImmCase& c) { return sumOverflows(c.operand, c.imm); }},
        {"n9_slti", "other widening changes", 1, 301, 25, changes},
        {"n9_slti", "other widening changes outside the first-zero block", 1, 250, 0, changes},
        {"n9_slti", "general expecting 1", 1, 200, 112, one},
        {"n9_slti", "first-zero expecting 1", 251, 300, 25, one},
        {"n10_sltiu", "other widening changes", 1, 301, 94, changes},
        {"n10_sltiu", "general expecting 1", 1, 200, 94, one},
        {"n10_sltiu", "second-zero expecting 1", 201, 250, 0, one},
        {"n10_sltiu", "first-zero expecting 1", 251, 300, 50, one},
        {"n27_andi", "other widening changes", 1, 301, 106, changes},
        {"n27_andi", "general expecting 0", 1, 200, 7,
         [](const ImmCase& c) { return c.expected == 0; }},
        {"n27_andi", "zero blocks expecting 0", 201, 300, 100,
         [](const ImmCase& c) { return c.expected == 0; }},
        {"n29_ori", "other widening changes", 1, 301, 134, changes},
        {"n31_xori", "other widening changes", 1, 301, 124, changes},
    };
    expectCounts(table, immCases);
}

TEST(AluImmUnit, TellingCasesStandWhereStated) {
    const struct {
        const char* unit;
        int number;
        U operand;
        unsigned imm;
        U expected;
    } table[] = {
        {"n3_addiu", 1, 0xfb263d10, 0xec96, 0xfb2629a6},
        {"n3_addiu", 108, 0x750b7770, 0, 0x750b7770},
        {"n3_addiu", 120, 0, 0x04a0, 0x000004a0},
        {"n3_addiu", 121, 0, 0xd6d9, 0xffffd6d9},
        {"n3_addiu", 122, 0, 0xcdc8, 0xffffcdc8},
        {"n9_slti", 1, 0xd9d129b5, 0x0988, 1},
        {"n9_slti", 251, 0, 0x7ef6, 1},
        {"n9_slti", 253, 0, 0xcac4, 0},
        {"n10_sltiu", 1, 0xc254e3d8, 0xf469, 1},
        {"n10_sltiu", 2, 0x7a56334c, 0x02f5, 0},
        {"n10_sltiu", 7, 0x977b0d34, 0x1280, 0},
        {"n10_sltiu", 251, 0, 0xb625, 1},
        {"n22_addi", 1, 0x0151e5c0, 0xb945, 0x01519f05},
        {"n22_addi", 251, 0, 0xaf9a, 0xffffaf9a},
        {"n27_andi", 1, 0x4c23cdd4, 0x5e89, 0x00004c80},
        {"n27_andi", 3, 0xea42f8c0, 0x8d3e, 0x00008800},
        {"n29_ori", 1, 0x0d48918a, 0x7fe6, 0x0d48ffee},
        {"n29_ori", 2, 0x891d17a0, 0xb034, 0x891db7b4},
        {"n29_ori", 251, 0, 0xbde4, 0x0000bde4},
        {"n31_xori", 1, 0x4406a500, 0x14bf, 0x4406b1bf},
        {"n31_xori", 2, 0xb5f52460, 0xbabe, 0xb5f59ede},
        {"n31_xori", 252, 0, 0xd098, 0x0000d098},
    };
    for (const auto& t : table) {
        SCOPED_TRACE(std::string(t.unit) + " case " + std::to_string(t.number));
        const auto cases = immCases(unitNamed(t.unit));
        ASSERT_LE(t.number, int(cases.size()));
        const auto& c = cases[t.number - 1];
        EXPECT_EQ(c.operand, t.operand);
        EXPECT_EQ(c.imm, t.imm);
        EXPECT_EQ(c.expected, t.expected);
    }
}

TEST(AluImmUnit, OperandsUniqueImmediatesOffTheEdgesSharesNearTheirMark) {
    for (const auto& r : kImmRoutines) {
        SCOPED_TRACE(r.unit);
        std::vector<U> operands;
        int imms = 0, bit15 = 0, oddImm = 0;
        for (const auto& c : immCases(unitNamed(r.unit))) {
            if (c.operand != 0) operands.push_back(c.operand);
            EXPECT_TRUE(c.imm != 0x0001 && c.imm != 0x7fff && c.imm != 0x8000 && c.imm != 0xffff)
                << c.number;
            if (c.imm != 0) {
                ++imms;
                bit15 += c.imm >= 0x8000;
                oddImm += c.imm & 1;
            }
        }
        expectUniqueWithShares(operands, 0.06, 0.08);
        EXPECT_NEAR(double(bit15) / imms, 0.5, 0.06);
        EXPECT_NEAR(double(oddImm) / imms, 0.25, 0.08);
    }
}

TEST(AluImmUnit, FaultsFailAtTheirCases) {
    const auto widenedWrongly = [](const ImmCase& c) {
        return otherWidening(c.op, c.operand, c.imm) != c.expected;
    };
    const std::vector<FaultRow<ImmCase>> table{
        {"n3_addiu", "addiu zero-extends", 1, widenedWrongly},
        {"n22_addi", "addi zero-extends", 1, widenedWrongly},
        {"n29_ori", "ori sign-extends", 2, widenedWrongly},
        {"n31_xori", "xori sign-extends", 2, widenedWrongly},
        {"n27_andi", "andi sign-extends", 3, widenedWrongly},
        {"n10_sltiu", "sltiu zero-extends", 1, widenedWrongly},
        {"n9_slti", "slti zero-extends", 253, widenedWrongly},
        {"n10_sltiu", "sltiu compares signed", 7,
         [](const ImmCase& c) { return U(sx(c.operand) < sx(sext(c.imm))) != c.expected; }},
        {"n9_slti", "slti compares unsigned", 1,
         [](const ImmCase& c) { return U(c.operand < sext(c.imm)) != c.expected; }},
        {"n22_addi", "addi ignores overflow", 0,
         [](const ImmCase& c) { return sumOverflows(c.operand, c.imm); }},
    };
    expectFaultsFailAtTheirCases(table, immCases);
}

TEST(AluImmUnit, TemplatesAssembleToTheStatedSequence) {
    const struct {
        const char* invocation;
        std::size_t words;
        U operand, expected;
        unsigned opcode, imm;
    } table[] = {
        {"alu_ri_sext addiu, 0xfb2629a6, 0xfb263d10, 0xec96", 7, 0xfb263d10, 0xfb2629a6, 9, 0xec96},
        {"alu_ri_sext sltiu, 0x00000001, 0xc254e3d8, 0xf469", 6, 0xc254e3d8, 1, 11, 0xf469},
        {"alu_ri_sext slti, 0x00000000, 0x00000000, 0xcac4", 5, 0, 0, 10, 0xcac4},
        {"alu_ri_sext addi, 0x01519f05, 0x0151e5c0, 0xb945", 7, 0x0151e5c0, 0x01519f05, 8, 0xb945},
        {"alu_ri_zext andi, 0x00008800, 0xea42f8c0, 0x8d3e", 6, 0xea42f8c0, 0x8800, 12, 0x8d3e},
        {"alu_ri_zext ori, 0x0000bde4, 0x00000000, 0xbde4", 5, 0, 0xbde4, 13, 0xbde4},
        {"alu_ri_zext xori, 0x00000000, 0x00000000, 0x0000", 5, 0, 0, 14, 0},
    };
    for (const auto& t : table) {
        SCOPED_TRACE(t.invocation);
        const auto w = assemble("\t.include \"alu_imm.inc\"\n", std::string("\t") + t.invocation);
        ASSERT_EQ(w.size(), t.words);
        std::size_t at = 0;
        EXPECT_EQ(readLoad(w, at), std::make_pair(unsigned(kT0), t.operand));
        EXPECT_EQ(readLoad(w, at), std::make_pair(unsigned(kV1), t.expected));
        const U op = w.at(at);
        EXPECT_EQ(opcode(op), t.opcode);
        EXPECT_EQ(rsOf(op), kT0);
        EXPECT_EQ(rtOf(op), kV0);
        EXPECT_EQ(immOf(op), t.imm);
        expectCompareAndNop(w, at + 1);
    }
}

} // namespace
