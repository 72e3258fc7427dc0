// The shift routines as generated: every case read back and checked against shifts computed
// here, the amounts and fill-bit counts, the telling cases, and the first failing case of each
// shift fault the lists are built to catch.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "alu_routines.h"
#include "alu_support.h"
#include "unit.h"

namespace {

using namespace alutest;
using U = std::uint32_t;

struct ShiftCase {
    int number;
    std::string macro, op;
    U value;
    int amount;
    U expected;
};

std::vector<ShiftCase> shiftCases(const casegen::Unit& u) {
    return casesOf(u, 4, [](const CaseLine& c) {
        return ShiftCase{c.number,      c.macro, c.args[0], num(c.args[2]), std::stoi(c.args[3]),
                         num(c.args[1])};
    });
}

// Shifts on 64-bit values: left keeps the low 32 bits, arithmetic right shifts a sign-extended
// copy.
U shiftLeft(U v, int n) {
    return U((std::uint64_t(v) << n) & 0xffffffffull);
}
U shiftRightLogical(U v, int n) {
    return U(std::uint64_t(v) >> n);
}
U shiftRightArithmetic(U v, int n) {
    const std::int64_t wide = static_cast<std::int32_t>(v);
    return U(std::uint64_t(wide / (std::int64_t{1} << n) - (wide % (std::int64_t{1} << n) < 0)) &
             0xffffffffull);
}
U reference(const std::string& op, U v, int n) {
    if (op == "sll" || op == "sllv") return shiftLeft(v, n);
    if (op == "srl" || op == "srlv") return shiftRightLogical(v, n);
    if (op == "sra" || op == "srav") return shiftRightArithmetic(v, n);
    ADD_FAILURE() << "unknown op " << op;
    return 0;
}

TEST(ShiftUnit, EveryCaseExpectsTheMipsResultInItsBlock) {
    for (const auto& r : kShiftRoutines) {
        SCOPED_TRACE(r.unit);
        const auto cases = shiftCases(unitNamed(r.unit));
        ASSERT_EQ(cases.size(), 301u);
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const auto& c = cases[i];
            SCOPED_TRACE(c.number);
            EXPECT_EQ(c.number, int(i) + 1);
            EXPECT_EQ(c.op, r.op);
            EXPECT_EQ(c.macro, r.variable ? "shift_var" : "shift_fixed");
            ASSERT_TRUE(c.amount >= 0 && c.amount <= 31);
            EXPECT_EQ(c.expected, reference(r.op, c.value, c.amount));
            if (i < 200) {
                EXPECT_TRUE(fullWidth(c.value));
            } else if (i < 250) {
                EXPECT_TRUE(fullWidth(c.value) && c.amount == 0 && c.expected == c.value);
            } else if (i < 300) {
                EXPECT_TRUE(c.value == 0 && c.expected == 0);
            } else {
                EXPECT_TRUE(c.value == 0 && c.amount == 0 && c.expected == 0);
            }
        }
    }
}

TEST(ShiftUnit, RoutineSizeFollowsFromTheOperandLoads) {
    for (const auto& r : kShiftRoutines) {
        SCOPED_TRACE(r.unit);
        const auto u = unitNamed(r.unit);
        expectRoutineSizeFromCases(u, shiftCases(u), [&](const ShiftCase& c) {
            return loadLength(c.value) + (r.variable ? 1 : 0) + loadLength(c.expected) + 3;
        });
    }
}

TEST(ShiftUnit, AmountsFillBitsAndSignsAreCounted) {
    for (const auto& r : kShiftRoutines) {
        SCOPED_TRACE(r.unit);
        const auto cases = shiftCases(unitNamed(r.unit));
        std::set<int> amounts;
        int zero = 0, firstZeroZero = 0, fill = 0, allOnes = 0, bit31 = 0;
        for (const auto& c : cases) {
            if (c.number <= 200) {
                amounts.insert(c.amount);
                zero += c.amount == 0;
                fill += negative(c.value) && c.amount != 0;
            } else if (c.number > 250 && c.number <= 300) {
                firstZeroZero += c.amount == 0;
            }
            allOnes += c.expected == 0xffffffffu;
            bit31 += negative(c.value);
        }
        EXPECT_EQ(amounts.size(), 32u);
        EXPECT_EQ(zero, r.zeroAmounts);
        EXPECT_EQ(firstZeroZero, r.firstZeroZeroAmounts);
        if (r.fillMatters >= 0) {
            EXPECT_EQ(fill, r.fillMatters);
        }
        if (r.allOnes >= 0) {
            EXPECT_EQ(allOnes, r.allOnes);
        }
        EXPECT_GE(bit31, 112);
        EXPECT_LE(bit31, 130);
    }
}

TEST(ShiftUnit, ValuesUniqueWithTheirShares) {
    for (const auto& r : kShiftRoutines) {
        SCOPED_TRACE(r.unit);
        std::vector<U> values;
        for (const auto& c : shiftCases(unitNamed(r.unit)))
            if (c.value != 0) values.push_back(c.value);
        expectUniqueWithShares(values, 0.06, 0.09);
    }
}

TEST(ShiftUnit, TellingCasesStandWhereStated) {
    const struct {
        const char* unit;
        int number;
        U value;
        int amount;
        U expected;
    } table[] = {
        {"n11_sll", 1, 0x47994e5e, 1, 0x8f329cbc},
        {"n11_sll", 27, 0x468e6b1c, 31, 0},
        {"n11_sll", 45, 0x39c7673a, 0, 0x39c7673a},
        {"n11_sll", 201, 0xb6f7d1cc, 0, 0xb6f7d1cc},
        {"n11_sll", 251, 0, 23, 0},
        {"n32_sllv", 1, 0x79dbdb34, 7, 0xeded9a00},
        {"n32_sllv", 66, 0xcb58e299, 31, 0x80000000},
        {"n33_sra", 1, 0x7e0083f0, 9, 0x003f0041},
        {"n33_sra", 4, 0xc04efccc, 16, 0xffffc04e},
        {"n33_sra", 39, 0xc9cb745e, 31, 0xffffffff},
        {"n34_srav", 1, 0x3e594300, 3, 0x07cb2860},
        {"n34_srav", 3, 0xfb98a1c4, 23, 0xfffffff7},
        {"n34_srav", 165, 0xd9867f14, 31, 0xffffffff},
        {"n35_srl", 1, 0x8e8ffce0, 2, 0x23a3ff38},
        {"n35_srl", 5, 0xe7bfc848, 31, 1},
        {"n36_srlv", 1, 0x1f8f6000, 28, 1},
        {"n36_srlv", 2, 0xe51f6e9c, 2, 0x3947dba7},
    };
    for (const auto& t : table) {
        SCOPED_TRACE(std::string(t.unit) + " case " + std::to_string(t.number));
        const auto cases = shiftCases(unitNamed(t.unit));
        const auto& c = cases.at(t.number - 1);
        EXPECT_EQ(c.value, t.value);
        EXPECT_EQ(c.amount, t.amount);
        EXPECT_EQ(c.expected, t.expected);
    }
}

TEST(ShiftUnit, FaultsFailAtTheirCases) {
    const auto fill = [](bool sign) {
        return [sign](const ShiftCase& c) {
            const U shifted = shiftRightLogical(c.value, c.amount);
            const U ones = c.amount ? ~shiftRightLogical(0xffffffffu, c.amount) : 0;
            return (sign && negative(c.value) ? shifted | ones : shifted) != c.expected;
        };
    };
    // The amount taken from the sa field, which the variable shifts leave 0.
    const auto fromSa = [](const ShiftCase& c) { return c.value != c.expected; };
    // Amount and value exchanged: the amount register shifted by the low five bits of the value.
    const auto swapped = [](const ShiftCase& c) {
        return reference(c.op, U(c.amount), int(c.value & 31)) != c.expected;
    };
    const std::vector<FaultRow<ShiftCase>> table{
        {"n35_srl", "srl fills with the sign", 1, fill(true)},
        {"n36_srlv", "srlv fills with the sign", 2, fill(true)},
        {"n33_sra", "sra fills with zeros", 4, fill(false)},
        {"n34_srav", "srav fills with zeros", 3, fill(false)},
        {"n32_sllv", "sllv takes the amount from sa", 1, fromSa},
        {"n36_srlv", "srlv takes the amount from sa", 1, fromSa},
        {"n34_srav", "srav takes the amount from sa", 1, fromSa},
        {"n32_sllv", "sllv swaps value and amount", 1, swapped},
        {"n36_srlv", "srlv swaps value and amount", 1, swapped},
        {"n34_srav", "srav swaps value and amount", 1, swapped},
    };
    expectFaultsFailAtTheirCases(table, shiftCases);
}

// A core that treats `sll rd, rt, 0` as a nop leaves rd as the previous case wrote it: the first
// amount-0 case whose expected value differs from the previous case's result catches it.
TEST(ShiftUnit, SllByZeroWritesItsDestination) {
    const auto cases = shiftCases(unitNamed("n11_sll"));
    int first = 0;
    for (std::size_t i = 1; i < cases.size() && !first; ++i)
        if (cases[i].amount == 0 && cases[i].expected != cases[i - 1].expected)
            first = cases[i].number;
    EXPECT_EQ(first, 45);
    const auto w =
        assemble("\t.include \"shift.inc\"\n", "\tshift_fixed sll, 0x39c7673a, 0x39c7673a, 0\n");
    ASSERT_EQ(w.size(), 7u);
    EXPECT_NE(w[4], 0u) << "sll v0, t0, 0 must not assemble to the nop word";
    EXPECT_EQ(rdOf(w[4]), kV0);
}

TEST(ShiftUnit, TemplatesAssembleToTheStatedSequence) {
    const struct {
        const char* invocation;
        bool variable;
        std::size_t words;
        U value, expected;
        unsigned funct, amount;
    } table[] = {
        {"shift_fixed sll, 0x8f329cbc, 0x47994e5e, 1", false, 7, 0x47994e5e, 0x8f329cbc, 0, 1},
        {"shift_fixed srl, 0x00000001, 0xe7bfc848, 31", false, 6, 0xe7bfc848, 1, 2, 31},
        {"shift_fixed sra, 0x00000000, 0x00000000, 23", false, 5, 0, 0, 3, 23},
        {"shift_var sllv, 0xeded9a00, 0x79dbdb34, 7", true, 8, 0x79dbdb34, 0xeded9a00, 4, 7},
        {"shift_var srlv, 0x00000001, 0x1f8f6000, 28", true, 7, 0x1f8f6000, 1, 6, 28},
        {"shift_var srav, 0x00000000, 0x00000000, 0", true, 6, 0, 0, 7, 0},
    };
    for (const auto& t : table) {
        SCOPED_TRACE(t.invocation);
        const auto w = assemble("\t.include \"shift.inc\"\n", std::string("\t") + t.invocation);
        ASSERT_EQ(w.size(), t.words);
        std::size_t at = 0;
        EXPECT_EQ(readLoad(w, at), std::make_pair(unsigned(kT0), t.value));
        if (t.variable) {
            const U amount = w.at(at++);
            EXPECT_EQ(opcode(amount), kAddiu);
            EXPECT_EQ(rsOf(amount), kZero);
            EXPECT_EQ(rtOf(amount), kT1);
            EXPECT_EQ(immOf(amount), t.amount);
        }
        EXPECT_EQ(readLoad(w, at), std::make_pair(unsigned(kV1), t.expected));
        const U op = w.at(at);
        EXPECT_EQ(opcode(op), kSpecial);
        EXPECT_EQ(functOf(op), t.funct);
        EXPECT_EQ(rdOf(op), kV0);
        EXPECT_EQ(rtOf(op), kT0);
        EXPECT_EQ(rsOf(op), t.variable ? unsigned(kT1) : 0u);
        EXPECT_EQ(saOf(op), t.variable ? 0u : t.amount);
        expectCompareAndNop(w, at + 1);
    }
}

} // namespace
