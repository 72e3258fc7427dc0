// The div, divu, mult and multu routines: every expected HI and LO recomputed, the blocks, sign
// combinations, quotients, operand rules and telling rows checked on the generated case lines,
// and the case lengths as the assembler lays them out.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "mem_support.h"

namespace coretest_gen_test {
namespace {

enum class Op { Div, Divu, Mult, Multu };
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

struct Expected {
    const char* unit;
    const char* op;
    Op kind;
    std::array<int, 4> blocks; // general, second-zero, first-zero, all-zero
    std::array<int, 4> signs;  // (+,+), (+,-), (-,+), (-,-) of the general block
    int lowestQuotient, highestQuotient, zeroQuotients;
    std::map<int, int> lengths; // instructions: cases
};

void PrintTo(const Expected& e, std::ostream* os) {
    *os << e.unit;
}

const std::vector<Expected>& routines() {
    static const std::vector<Expected> kRoutines{
        {"n44_div",
         "div",
         Op::Div,
         {119, 0, 3, 0},
         {28, 28, 24, 39},
         -51,
         20,
         44,
         {{14, 119}, {12, 3}}},
        {"n45_divu",
         "divu",
         Op::Divu,
         {171, 0, 7, 0},
         {45, 37, 49, 40},
         0,
         139,
         87,
         {{14, 171}, {12, 7}}},
        {"n46_mult",
         "mult",
         Op::Mult,
         {138, 12, 8, 1},
         {31, 28, 37, 42},
         0,
         0,
         0,
         {{15, 136}, {14, 2}, {12, 20}, {11, 1}}},
        {"n47_multu",
         "multu",
         Op::Multu,
         {131, 6, 4, 1},
         {38, 32, 30, 31},
         0,
         0,
         0,
         {{15, 130}, {14, 1}, {12, 10}, {11, 1}}},
    };
    return kRoutines;
}

bool isDivide(Op op) {
    return op == Op::Div || op == Op::Divu;
}

std::vector<Case> casesOf(const Expected& r) {
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

long quotientOf(const Expected& r, const Case& c) {
    return r.kind == Op::Div ? long(sgn(c.expected.lo)) : long(c.expected.lo);
}

class MulDivRoutine : public ::testing::TestWithParam<Expected> {};

TEST_P(MulDivRoutine, ExpectedValuesAreTheArchitecturalResults) {
    const Expected& r = GetParam();
    for (const auto& c : casesOf(r))
        EXPECT_EQ(c.expected, architectural(r.kind, c.first, c.second)) << "case " << c.number;
}

TEST_P(MulDivRoutine, BlocksInOrder) {
    const Expected& r = GetParam();
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
    const Expected& r = GetParam();
    std::array<int, 4> signs{};
    for (const auto& c : generalOf(casesOf(r)))
        ++signs[std::size_t((c.first >> 31) * 2 + (c.second >> 31))];
    EXPECT_EQ(signs, r.signs);
}

TEST_P(MulDivRoutine, OperandRules) {
    const Expected& r = GetParam();
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
    const Expected& r = GetParam();
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

TEST_P(MulDivRoutine, InstructionsPerCase) {
    const Expected& r = GetParam();
    const auto counts =
        caseInstructionCounts("muldiv.inc", caseLines(unitNamed(r.unit), "muldiv_case"));
    EXPECT_EQ(histogram(counts), r.lengths);
    int words = 0;
    for (int c : counts)
        words += c;
    const auto slot = casegen::linkSlot(r.unit);
    ASSERT_TRUE(slot.has_value());
    EXPECT_EQ(4 * (words + casegen::Unit::kFrameWords), int(slot->size));
}

// A core that swaps HI and LO fails the first case at the LO comparison.
TEST_P(MulDivRoutine, SwappedHiAndLoShowInTheFirstCase) {
    const Case first = casesOf(GetParam()).front();
    EXPECT_NE(first.expected.lo, first.expected.hi);
}

TEST_P(MulDivRoutine, CommittedAndDeterministic) {
    expectCommittedAndDeterministic(GetParam().unit);
    expectReportMet(GetParam().unit);
}

INSTANTIATE_TEST_SUITE_P(MulDiv, MulDivRoutine, ::testing::ValuesIn(routines()),
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
        const auto it = std::find_if(routines().begin(), routines().end(), [&](const Expected& e) {
            return e.unit == std::string(row.unit);
        });
        ASSERT_NE(it, routines().end());
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
    const auto cases = casesOf(routines()[0]);
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
         {std::pair{routines()[2], Op::Multu}, std::pair{routines()[3], Op::Mult}}) {
        const Case first = casesOf(routine).front();
        const HiLo wrong = architectural(other, first.first, first.second);
        EXPECT_EQ(wrong.lo, first.expected.lo) << routine.unit;
        EXPECT_NE(wrong.hi, first.expected.hi) << routine.unit;
    }
}

TEST(MulDivTemplates, InstructionCounts) {
    struct Row {
        const char* call;
        int words;
    };
    const std::vector<Row> rows{
        {"muldiv_case mult, 0x12345678, 0x23456789, 0x34567891, 0x45678912", 15},
        {"muldiv_case multu, 0x12340000, 0x23456789, 0x34567891, 0x45678912", 14},
        {"muldiv_case div, 0x00000002, 0x23456789, 0x34567891, 0x45678912", 14},
        {"muldiv_case divu, 0xffffffcd, 0x23456789, 0x34567891, 0x45678912", 14},
        {"muldiv_case div, 0x00000000, 0x00000000, 0x00000000, 0x45678912", 12},
        {"muldiv_case mult, 0x00000000, 0x00000000, 0x34567891, 0x00000000", 12},
        {"muldiv_case multu, 0x00000000, 0x00000000, 0x00000000, 0x00000000", 11},
    };
    std::vector<std::string> body;
    for (const auto& row : rows)
        body.push_back(row.call);
    const auto sizes = assembledSizes("muldiv.inc", body);
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(int(sizes[i] / 4), rows[i].words) << rows[i].call;
}

} // namespace
} // namespace coretest_gen_test
