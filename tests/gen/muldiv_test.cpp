// The div, divu, mult and multu routines: every expected HI and LO recomputed, the blocks, sign
// combinations, quotients, operand rules and telling rows checked on the generated case lines.
// Case lengths, template sizes, the report and the committed text are checked in
// data_units_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "mem_routines.h"
#include "mem_support.h"

namespace coretest_gen_test {
namespace {

enum class Block { General, SecondZero, FirstZero, AllZero };

struct HiLo {
    std::uint32_t lo, hi;
    bool operator==(const HiLo&) const = default;
};

std::int32_t sgn(std::uint32_t v) {
    return static_cast<std::int32_t>(v);
}
std::uint32_t magnitude(std::uint32_t v) {
    return sgn(v) < 0 ? 0u - v : v;
}

// Quotient toward zero from the magnitudes, the remainder as what is left of the dividend.
HiLo divideTruncating(std::uint32_t n, std::uint32_t d) {
    std::uint32_t q = magnitude(n) / magnitude(d);
    if ((sgn(n) < 0) != (sgn(d) < 0)) q = 0u - q;
    return {q, n - q * d};
}
// The same, rounded toward minus infinity (the remainder takes the divisor's sign).
HiLo divideFlooring(std::uint32_t n, std::uint32_t d) {
    HiLo t = divideTruncating(n, d);
    if (t.hi != 0 && (sgn(t.hi) < 0) != (sgn(d) < 0)) return {t.lo - 1, t.hi + d};
    return t;
}
// The signed product from the unsigned one: subtract 2^32 times each negative operand's partner.
std::uint64_t signedProduct(std::uint32_t a, std::uint32_t b) {
    std::uint64_t p = std::uint64_t{a} * b;
    if (sgn(a) < 0) p -= std::uint64_t{b} << 32;
    if (sgn(b) < 0) p -= std::uint64_t{a} << 32;
    return p;
}
HiLo split(std::uint64_t p) {
    return {static_cast<std::uint32_t>(p), static_cast<std::uint32_t>(p >> 32)};
}

HiLo architectural(Op op, std::uint32_t a, std::uint32_t b) {
    switch (op) {
    case Op::Div: return divideTruncating(a, b);
    case Op::Divu: return {a / b, a % b};
    case Op::Mult: return split(signedProduct(a, b));
    case Op::Multu: return split(std::uint64_t{a} * b);
    }
    return {};
}

struct Case {
    int number;
    std::uint32_t first, second;
    HiLo expected;
    Block block() const {
        if (first == 0 && second == 0) return Block::AllZero;
        if (first == 0) return Block::FirstZero;
        if (second == 0) return Block::SecondZero;
        return Block::General;
    }
};

bool isDivide(Op op) {
    return op == Op::Div || op == Op::Divu;
}

std::vector<Case> casesOf(const MulDivRow& r) {
    std::vector<Case> out;
    for (const auto& l : caseLines(unitNamed(r.unit), "muldiv_case")) {
        EXPECT_EQ(l.args.size(), 5u) << l.text;
        EXPECT_EQ(l.args.at(0), r.op) << l.text;
        out.push_back({l.number,
                       number(l.args.at(3)),
                       number(l.args.at(4)),
                       {number(l.args.at(1)), number(l.args.at(2))}});
    }
    return out;
}

std::vector<Case> generalOf(const std::vector<Case>& cases) {
    std::vector<Case> g;
    for (const auto& c : cases)
        if (c.block() == Block::General) g.push_back(c);
    return g;
}

long quotientOf(const MulDivRow& r, const Case& c) {
    return r.kind == Op::Div ? long(sgn(c.expected.lo)) : long(c.expected.lo);
}

class MulDivRoutine : public ::testing::TestWithParam<MulDivRow> {};

TEST_P(MulDivRoutine, ExpectedValuesAreTheArchitecturalResults) {
    const MulDivRow& r = GetParam();
    for (const auto& c : casesOf(r))
        EXPECT_EQ(c.expected, architectural(r.kind, c.first, c.second)) << "case " << c.number;
}

TEST_P(MulDivRoutine, BlocksInOrder) {
    const MulDivRow& r = GetParam();
    const auto cases = casesOf(r);
    std::array<int, 4> counts{};
    Block last = Block::General;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(c.number, int(i) + 1);
        EXPECT_GE(int(c.block()), int(last)) << "block out of order at case " << c.number;
        last = c.block();
        ++counts[std::size_t(c.block())];
        for (std::uint32_t v : {c.first, c.second}) {
            if (v != 0) {
                EXPECT_TRUE(fullWidth(v)) << "case " << c.number;
            }
        }
    }
    EXPECT_EQ(counts, r.blocks);
}

TEST_P(MulDivRoutine, SignCombinationsOfTheGeneralBlock) {
    const MulDivRow& r = GetParam();
    std::array<int, 4> signs{};
    for (const auto& c : generalOf(casesOf(r)))
        ++signs[std::size_t((c.first >> 31) * 2 + (c.second >> 31))];
    EXPECT_EQ(signs, r.signs);
}

TEST_P(MulDivRoutine, OperandRules) {
    const MulDivRow& r = GetParam();
    std::set<std::uint32_t> seen;
    for (const auto& c : casesOf(r)) {
        EXPECT_NE(c.first, 0x80000000u) << "case " << c.number;
        EXPECT_NE(c.second, 0x80000000u) << "case " << c.number;
        if (isDivide(r.kind)) {
            EXPECT_NE(c.second, 0u) << "case " << c.number;
            EXPECT_NE(c.second, 1u) << "case " << c.number;
            EXPECT_NE(c.second, 0xffffffffu) << "case " << c.number;
        }
        for (std::uint32_t v : {c.first, c.second}) {
            if (v != 0) {
                EXPECT_TRUE(seen.insert(v).second) << "repeated operand, case " << c.number;
            }
        }
    }
}

TEST_P(MulDivRoutine, QuotientsOrProducts) {
    const MulDivRow& r = GetParam();
    const auto general = generalOf(casesOf(r));
    if (isDivide(r.kind)) {
        long lowest = quotientOf(r, general.front()), highest = lowest;
        int zeros = 0;
        for (const auto& c : general) {
            const long q = quotientOf(r, c);
            lowest = std::min(lowest, q);
            highest = std::max(highest, q);
            zeros += q == 0;
            EXPECT_TRUE(q >= -32768 && q <= 32767) << "one-instruction quotient, case " << c.number;
            EXPECT_TRUE(fullWidth(c.expected.hi)) << "full-width remainder, case " << c.number;
            if (q == 0) {
                EXPECT_EQ(c.expected.hi, c.first) << "case " << c.number;
            }
        }
        EXPECT_EQ(lowest, r.lowestQuotient);
        EXPECT_EQ(highest, r.highestQuotient);
        EXPECT_EQ(zeros, r.zeroQuotients);
    } else {
        for (const auto& c : general)
            for (std::uint32_t w : {c.expected.lo, c.expected.hi}) {
                EXPECT_NE(w, 0u) << "case " << c.number;
                EXPECT_NE(w, 0xffffffffu) << "case " << c.number;
            }
    }
}

// About 37% of the general operands end in four or more zero bits.
TEST_P(MulDivRoutine, LowZeroBitsShare) {
    const auto general = generalOf(casesOf(GetParam()));
    int many = 0;
    for (const auto& c : general)
        for (std::uint32_t v : {c.first, c.second})
            many += std::countr_zero(v) >= 4;
    const double share = 100.0 * many / (2.0 * double(general.size()));
    EXPECT_GE(share, 35.0);
    EXPECT_LE(share, 39.0);
}

// A core that swaps HI and LO fails the first case at the LO comparison.
TEST_P(MulDivRoutine, SwappedHiAndLoShowInTheFirstCase) {
    const Case first = casesOf(GetParam()).front();
    EXPECT_NE(first.expected.lo, first.expected.hi);
}

INSTANTIATE_TEST_SUITE_P(MulDiv, MulDivRoutine, ::testing::ValuesIn(mulDivRoutines()),
                         [](const auto& info) { return std::string(info.param.unit); });

// Rows fixed by case number (0: the last case), or found as the extreme quotient.
struct TellingRow {
    const char* unit;
    int number;
    enum Where { At, SmallestQuotient, LargestQuotient } where;
    std::uint32_t first, second, lo, hi;
};

TEST(MulDivRoutines, TellingRows) {
    const std::vector<TellingRow> rows{
        {"n44_div", 1, TellingRow::At, 0x56bedfa4, 0x20831400, 0x00000002, 0x15b8b7a4},
        {"n44_div", 2, TellingRow::At, 0xfda5ea8a, 0xfac1873c, 0x00000000, 0xfda5ea8a},
        {"n44_div", 4, TellingRow::At, 0x323676e0, 0xdc3a3f10, 0xffffffff, 0x0e70b5f0},
        {"n44_div", 8, TellingRow::At, 0x8786a50c, 0x412dc050, 0xffffffff, 0xc8b4655c},
        {"n44_div", 0, TellingRow::SmallestQuotient, 0x6d394d48, 0xfddfc888, 0xffffffcd,
         0x00ce4060},
        {"n44_div", 0, TellingRow::At, 0x00000000, 0x94e29c00, 0, 0},
        {"n45_divu", 1, TellingRow::At, 0x4e775a80, 0xb26795ec, 0x00000000, 0x4e775a80},
        {"n45_divu", 0, TellingRow::LargestQuotient, 0xd7042938, 0x018a7078, 0x0000008b,
         0x00d91810},
        {"n45_divu", 0, TellingRow::At, 0x00000000, 0x11f1eca7, 0, 0},
        {"n46_mult", 1, TellingRow::At, 0x45b90738, 0xd70d64f0, 0x0a20a480, 0xf4d903bb},
        {"n46_mult", 2, TellingRow::At, 0x99a451b0, 0xbe3d9998, 0x8552b080, 0x1a4b01ae},
        {"n46_mult", 139, TellingRow::At, 0x530194f0, 0x00000000, 0, 0}, // first second-zero
        {"n46_mult", 0, TellingRow::At, 0, 0, 0, 0},
        {"n47_multu", 1, TellingRow::At, 0x99c9a500, 0x6c1a1b60, 0xb204e000, 0x40f0c088},
        {"n47_multu", 2, TellingRow::At, 0xee026dc0, 0xd85e0aec, 0xcf06ad00, 0xc9297ba5},
        {"n47_multu", 0, TellingRow::At, 0, 0, 0, 0},
    };
    for (const auto& row : rows) {
        const auto it =
            std::find_if(mulDivRoutines().begin(), mulDivRoutines().end(),
                         [&](const MulDivRow& e) { return e.unit == std::string(row.unit); });
        ASSERT_NE(it, mulDivRoutines().end());
        const auto cases = casesOf(*it);
        Case found = row.number == 0 ? cases.back() : cases.at(std::size_t(row.number - 1));
        if (row.where != TellingRow::At) {
            const auto general = generalOf(cases);
            const auto byQuotient = [&](const Case& a, const Case& b) {
                return quotientOf(*it, a) < quotientOf(*it, b);
            };
            found = row.where == TellingRow::SmallestQuotient
                        ? *std::min_element(general.begin(), general.end(), byQuotient)
                        : *std::max_element(general.begin(), general.end(), byQuotient);
        }
        EXPECT_EQ(found.first, row.first) << row.unit << " case " << found.number;
        EXPECT_EQ(found.second, row.second) << row.unit << " case " << found.number;
        EXPECT_EQ(found.expected, (HiLo{row.lo, row.hi})) << row.unit << " case " << found.number;
    }
}

// Rounding toward minus infinity first changes a result at the fourth div case.
TEST(MulDivRoutines, FlooringDivideFirstDiffersAtCaseFour) {
    const auto cases = casesOf(mulDivRoutines()[0]);
    const auto differs = std::find_if(cases.begin(), cases.end(), [](const Case& c) {
        return !(divideFlooring(c.first, c.second) == c.expected);
    });
    ASSERT_NE(differs, cases.end());
    EXPECT_EQ(differs->number, 4);
    EXPECT_NE(divideFlooring(differs->first, differs->second).lo, differs->expected.lo);
}

// mult read as multu (and multu as mult) keeps LO and changes HI in the first case.
TEST(MulDivRoutines, SignConfusionShowsInTheFirstHi) {
    for (const auto& [routine, other] :
         {std::pair{mulDivRoutines()[2], Op::Multu}, std::pair{mulDivRoutines()[3], Op::Mult}}) {
        const Case first = casesOf(routine).front();
        const HiLo wrong = architectural(other, first.first, first.second);
        EXPECT_EQ(wrong.lo, first.expected.lo) << routine.unit;
        EXPECT_NE(wrong.hi, first.expected.hi) << routine.unit;
    }
}

} // namespace
} // namespace coretest_gen_test
