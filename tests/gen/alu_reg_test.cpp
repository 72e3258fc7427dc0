// The register-register routines as generated: every case read back from its source line and
// checked against MIPS-I results computed here, the counted properties recounted, the telling
// cases found in place, and the failure position of every fault the lists are built to catch.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "alu_routines.h"
#include "alu_support.h"
#include "unit.h"

namespace {

using namespace alutest;
using U = std::uint32_t;

struct RegCase {
    int number;
    std::string op;
    U first, second, expected;
};

std::vector<RegCase> regCases(const casegen::Unit& u) {
    return casesOf(u, 4, [](const CaseLine& c) {
        EXPECT_EQ(c.macro, "alu_rr");
        return RegCase{c.number, c.args[0], num(c.args[2]), num(c.args[3]), num(c.args[1])};
    });
}

std::int64_t sx(U v) {
    return static_cast<std::int32_t>(v);
}
bool sumOverflows(U a, U b) {
    return sx(a) + sx(b) > INT32_MAX || sx(a) + sx(b) < INT32_MIN;
}
bool diffOverflows(U a, U b) {
    return sx(a) - sx(b) > INT32_MAX || sx(a) - sx(b) < INT32_MIN;
}
bool carry(U a, U b) {
    return std::uint64_t(a) + b >= 0x100000000ull;
}
bool borrow(U a, U b) {
    return a < b;
}
bool opposite(U a, U b) {
    return negative(a) != negative(b);
}

// MIPS-I results on 64-bit arithmetic.
U reference(const std::string& op, U a, U b) {
    const std::uint64_t mask = 0xffffffffull;
    if (op == "addu" || op == "add") return U((std::uint64_t(a) + b) & mask);
    if (op == "subu" || op == "sub") return U((std::uint64_t(a) + (0x100000000ull - b)) & mask);
    if (op == "and") return a & b;
    if (op == "or") return a | b;
    if (op == "xor") return a ^ b;
    if (op == "nor") return U(~std::uint64_t(a | b) & mask);
    if (op == "slt") return sx(a) < sx(b);
    if (op == "sltu") return std::uint64_t(a) < std::uint64_t(b);
    ADD_FAILURE() << "unknown op " << op;
    return 0;
}

const RegRow& routine(const std::string& unit) {
    for (const auto& r : kRegRoutines)
        if (unit == r.unit) return r;
    throw std::invalid_argument(unit);
}

TEST(AluRegUnit, EveryCaseExpectsTheMipsResultInItsBlock) {
    for (const auto& r : kRegRoutines) {
        SCOPED_TRACE(r.unit);
        const auto cases = regCases(unitNamed(r.unit));
        ASSERT_EQ(int(cases.size()), r.cases);
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const auto& c = cases[i];
            SCOPED_TRACE(c.number);
            EXPECT_EQ(c.number, int(i) + 1);
            EXPECT_EQ(c.op, r.op);
            EXPECT_EQ(c.expected, reference(r.op, c.first, c.second));
            const int pos = int(i);
            if (pos < r.general) {
                EXPECT_TRUE(c.first != 0 && c.second != 0);
            } else if (pos < r.general + 50) {
                EXPECT_TRUE(fullWidth(c.first) && c.second == 0);
            } else if (pos < r.general + 100) {
                EXPECT_TRUE(c.first == 0 && fullWidth(c.second));
            } else {
                EXPECT_TRUE(c.first == 0 && c.second == 0);
            }
        }
    }
}

TEST(AluRegUnit, RoutineSizeFollowsFromTheOperandLoads) {
    for (const auto& r : kRegRoutines) {
        SCOPED_TRACE(r.unit);
        const auto u = unitNamed(r.unit);
        expectRoutineSizeFromCases(u, regCases(u), [](const RegCase& c) {
            return loadLength(c.first) + loadLength(c.second) + loadLength(c.expected) + 3;
        });
    }
}

// A property of a case's two operands, as a property of the case.
std::function<bool(const RegCase&)> onOperands(std::function<bool(U, U)> holds) {
    return [holds](const RegCase& c) { return holds(c.first, c.second); };
}

TEST(AluRegUnit, CountedPropertiesHold) {
    const auto expectsOne = [](const char* op) {
        return onOperands([op](U a, U b) { return reference(op, a, b) == 1; });
    };
    const auto shortResult = [](const char* op) {
        return onOperands([op](U a, U b) { return loadLength(reference(op, a, b)) == 1; });
    };
    const std::vector<CountRow<RegCase>> table{
        {"n2_addu", "signed overflow", 1, 200, 40, onOperands(sumOverflows)},
        {"n2_addu", "unsigned carry", 1, 200, 108, onOperands(carry)},
        {"n2_addu", "short expected", 1, 200, 0, shortResult("addu")},
        {"n24_subu", "signed overflow", 1, 200, 45, onOperands(diffOverflows)},
        {"n24_subu", "borrow", 1, 200, 91, onOperands(borrow)},
        {"n24_subu", "short expected", 1, 200, 0, shortResult("subu")},
        {"n21_add", "overflow anywhere", 1, 250, 0, onOperands(sumOverflows)},
        {"n21_add", "unsigned carry", 1, 149, 60, onOperands(carry)},
        {"n21_add", "opposite signs", 1, 149, 109, onOperands(opposite)},
        {"n21_add", "short expected", 1, 149, 0, shortResult("add")},
        {"n23_sub", "overflow anywhere", 1, 245, 0, onOperands(diffOverflows)},
        {"n23_sub", "borrow", 1, 144, 77, onOperands(borrow)},
        {"n23_sub", "opposite signs", 1, 144, 43, onOperands(opposite)},
        {"n23_sub", "short expected", 1, 144, 0, shortResult("sub")},
        {"n23_sub", "0x80000000 as second operand", 1, 245, 0,
         onOperands([](U, U b) { return b == 0x80000000u; })},
        {"n8_slt", "opposite signs", 1, 200, 101, onOperands(opposite)},
        {"n8_slt", "expecting 1", 1, 200, 104, expectsOne("slt")},
        {"n8_slt", "second-zero expecting 1", 201, 250, 24, expectsOne("slt")},
        {"n8_slt", "first-zero expecting 1", 251, 300, 23, expectsOne("slt")},
        {"n25_sltu", "opposite signs", 1, 200, 103, onOperands(opposite)},
        {"n25_sltu", "expecting 1", 1, 200, 102, expectsOne("sltu")},
        {"n7_or", "short expected", 1, 200, 3, shortResult("or")},
        {"n26_and", "short expected", 1, 200, 7, shortResult("and")},
        {"n26_and", "result 0", 1, 200, 0, onOperands([](U a, U b) { return (a & b) == 0; })},
        {"n28_nor", "short expected", 1, 200, 2, shortResult("nor")},
        {"n30_xor", "short expected", 1, 200, 0, shortResult("xor")},
    };
    expectCounts(table, regCases);
}

struct TellingCase {
    const char* unit;
    int number; // 0: somewhere in the general block
    U first, second, expected;
};

TEST(AluRegUnit, TellingCasesStandWhereStated) {
    const TellingCase table[] = {
        {"n2_addu", 1, 0x1adef300, 0x51dd58de, 0x6cbc4bde},
        {"n2_addu", 2, 0x9674ea60, 0xab475792, 0x41bc41f2},
        {"n2_addu", 201, 0xd47dd056, 0, 0xd47dd056},
        {"n7_or", 1, 0x50e41484, 0xad35ea94, 0xfdf5fe94},
        {"n7_or", 0, 0xf7e77584, 0x391da864, 0xfffffde4},
        {"n8_slt", 1, 0x7245316a, 0x783506f0, 1},
        {"n8_slt", 3, 0x47974516, 0xb8fd4d1c, 0},
        {"n8_slt", 201, 0x5d1eb494, 0, 0},
        {"n21_add", 1, 0x0480ff04, 0x40933204, 0x45143108},
        {"n21_add", 4, 0x5bec25e2, 0xf96edfe4, 0x555b05c6},
        {"n21_add", 12, 0x29690000, 0x8b34011c, 0xb49d011c},
        {"n23_sub", 1, 0x14ffb0e6, 0x088cb248, 0x0c72fe9e},
        {"n23_sub", 2, 0x5c685e22, 0x5deb1abc, 0xfe7d4366},
        {"n23_sub", 0, 0x953733c0, 0xc1c80000, 0xd36f33c0},
        {"n23_sub", 195, 0, 0x32d53500, 0xcd2acb00},
        {"n24_subu", 1, 0xd6fc0584, 0x5f9765a8, 0x77649fdc},
        {"n24_subu", 251, 0, 0x3f7b9fa8, 0xc0846058},
        {"n25_sltu", 1, 0x158f2b29, 0x421c0a42, 1},
        {"n25_sltu", 2, 0x60343bf8, 0xdd17b30a, 1},
        {"n25_sltu", 251, 0, 0xd2fb1bfc, 1},
        {"n26_and", 1, 0x5c95951a, 0xca00c414, 0x48008410},
        {"n26_and", 0, 0x7156a5d8, 0x65b55820, 0x61140000},
        {"n28_nor", 1, 0xad9cc00e, 0x38b7ec24, 0x424013d1},
        {"n28_nor", 301, 0, 0, 0xffffffff},
        {"n30_xor", 1, 0x1773df80, 0xb5af51d2, 0xa2dc8e52},
    };
    for (const auto& t : table) {
        SCOPED_TRACE(std::string(t.unit) + " case " + std::to_string(t.number));
        const auto cases = regCases(unitNamed(t.unit));
        const auto it = std::find_if(cases.begin(), cases.end(), [&](const RegCase& c) {
            return c.first == t.first && c.second == t.second;
        });
        ASSERT_NE(it, cases.end());
        EXPECT_EQ(it->expected, t.expected);
        if (t.number > 0) {
            EXPECT_EQ(it->number, t.number);
        } else {
            EXPECT_LE(it->number, routine(t.unit).general);
        }
    }
    for (const auto& r : kRegRoutines) {
        const auto cases = regCases(unitNamed(r.unit));
        EXPECT_EQ(cases.back().expected, std::string(r.op) == "nor" ? 0xffffffffu : 0u) << r.unit;
    }
}

TEST(AluRegUnit, OperandsAreUniqueFullWidthAndNeverOnTheEdges) {
    // The two operands loaded by lui alone.
    const std::set<U> luiOnly = {0x29690000, 0xc1c80000};
    for (const auto& r : kRegRoutines) {
        SCOPED_TRACE(r.unit);
        std::vector<U> values;
        int neg = 0;
        for (const auto& c : regCases(unitNamed(r.unit))) {
            if (c.number <= r.general) {
                EXPECT_NE(c.first, c.second) << c.number;
            }
            for (U v : {c.first, c.second}) {
                if (v == 0) continue;
                EXPECT_TRUE(fullWidth(v) || luiOnly.contains(v)) << v;
                EXPECT_TRUE(v != 0x80000000u && v != 0x7fffffffu && v != 0xffffffffu);
                values.push_back(v);
                neg += negative(v);
            }
        }
        // About one in eight odd, one in three with a zero low digit, half negative.
        expectUniqueWithShares(values, 0.05, 0.07);
        EXPECT_NEAR(double(neg) / double(values.size()), 0.5, 0.08);
    }
}

TEST(AluRegUnit, FaultsFailAtTheirCases) {
    const auto swapped = [](const RegCase& c) {
        return reference(c.op, c.second, c.first) != c.expected;
    };
    const std::vector<FaultRow<RegCase>> table{
        {"n2_addu", "addu traps on overflow", 2,
         [](const RegCase& c) { return sumOverflows(c.first, c.second); }},
        {"n24_subu", "subu traps on overflow", 1,
         [](const RegCase& c) { return diffOverflows(c.first, c.second); }},
        {"n8_slt", "slt compares unsigned", 3,
         [](const RegCase& c) { return reference("sltu", c.first, c.second) != c.expected; }},
        {"n25_sltu", "sltu compares signed", 2,
         [](const RegCase& c) { return reference("slt", c.first, c.second) != c.expected; }},
        {"n23_sub", "rs and rt swapped", 1, swapped},
        {"n24_subu", "rs and rt swapped", 1, swapped},
        {"n8_slt", "rs and rt swapped", 1, swapped},
        {"n25_sltu", "rs and rt swapped", 1, swapped},
        {"n2_addu", "rs and rt swapped", 0, swapped},
        {"n7_or", "rs and rt swapped", 0, swapped},
        {"n21_add", "rs and rt swapped", 0, swapped},
        {"n26_and", "rs and rt swapped", 0, swapped},
        {"n28_nor", "rs and rt swapped", 0, swapped},
        {"n30_xor", "rs and rt swapped", 0, swapped},
        {"n28_nor", "nor of two zeros gives 0", 301,
         [](const RegCase& c) { return (c.first | c.second) == 0; }},
        {"n21_add", "add ignores overflow", 0,
         [](const RegCase& c) { return sumOverflows(c.first, c.second); }},
        {"n23_sub", "sub ignores overflow", 0,
         [](const RegCase& c) { return diffOverflows(c.first, c.second); }},
    };
    expectFaultsFailAtTheirCases(table, regCases);
}

TEST(AluRegUnit, TemplateAssemblesToTheStatedSequence) {
    const struct {
        const char* invocation;
        std::size_t words;
        U first, second, expected;
    } table[] = {
        {"alu_rr addu, 0x6cbc4bde, 0x1adef300, 0x51dd58de", 9, 0x1adef300, 0x51dd58de, 0x6cbc4bde},
        {"alu_rr or, 0xfffffde4, 0xf7e77584, 0x391da864", 8, 0xf7e77584, 0x391da864, 0xfffffde4},
        {"alu_rr and, 0x00000000, 0x5c95951a, 0x00000000", 7, 0x5c95951a, 0, 0},
        {"alu_rr slt, 0x00000000, 0x00000000, 0x00000000", 6, 0, 0, 0},
    };
    for (const auto& t : table) {
        SCOPED_TRACE(t.invocation);
        const auto w = assemble("\t.include \"alu_reg.inc\"\n", std::string("\t") + t.invocation);
        ASSERT_EQ(w.size(), t.words);
        std::size_t at = 0;
        EXPECT_EQ(readLoad(w, at), std::make_pair(unsigned(kT0), t.first));
        EXPECT_EQ(readLoad(w, at), std::make_pair(unsigned(kT1), t.second));
        EXPECT_EQ(readLoad(w, at), std::make_pair(unsigned(kV1), t.expected));
        const U op = w.at(at);
        EXPECT_EQ(opcode(op), kSpecial);
        EXPECT_EQ(rdOf(op), kV0);
        EXPECT_EQ(rsOf(op), kT0);
        EXPECT_EQ(rtOf(op), kT1);
        expectCompareAndNop(w, at + 1);
    }
}

} // namespace
