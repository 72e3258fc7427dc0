// The mfhi, mflo, mthi and mtlo routines: value lists recomputed from the generated case lines
// (counts, signs, the final 0, uniqueness across the four routines, telling rows) and the case
// lengths as the assembler lays them out.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "mem_support.h"

namespace coretest_gen_test {
namespace {

struct Expected {
    const char* unit;
    const char* reg; // the register the cases write and read back
    int cases;
    int negative; // values with bit 31 set
    std::array<std::uint32_t, 2> first, last;
    std::map<int, int> lengths; // instructions: cases
};

void PrintTo(const Expected& e, std::ostream* os) {
    *os << e.unit;
}

const std::vector<Expected>& routines() {
    static const std::vector<Expected> kRoutines{
        {"n48_mfhi", "hi", 115, 54, {0xbd5972d1, 0xb63e63e4}, {0x84747a80, 0}, {{8, 114}, {6, 1}}},
        {"n49_mflo", "lo", 115, 61, {0x08fc0000, 0xc021e948}, {0x7a82fb9e, 0}, {{8, 113}, {6, 2}}},
        {"n50_mthi", "hi", 107, 46, {0xa0fd56b0, 0x34036328}, {0x062991d6, 0}, {{8, 106}, {6, 1}}},
        {"n51_mtlo", "lo", 60, 26, {0xc10d76f1, 0x6a7f52c1}, {0xee707bd0, 0}, {{8, 59}, {6, 1}}},
    };
    return kRoutines;
}

std::vector<std::uint32_t> valuesOf(const Expected& r) {
    std::vector<std::uint32_t> values;
    int expectedNumber = 1;
    for (const auto& l : caseLines(unitNamed(r.unit), "hilo_case")) {
        EXPECT_EQ(l.number, expectedNumber++) << l.text;
        EXPECT_EQ(l.args.size(), 2u) << l.text;
        EXPECT_EQ(l.args.at(0), r.reg) << l.text;
        values.push_back(number(l.args.at(1)));
    }
    return values;
}

class MoveRoutine : public ::testing::TestWithParam<Expected> {};

TEST_P(MoveRoutine, Values) {
    const Expected& r = GetParam();
    const auto values = valuesOf(r);
    ASSERT_EQ(int(values.size()), r.cases);
    EXPECT_EQ(values[0], r.first[0]);
    EXPECT_EQ(values[1], r.first[1]);
    EXPECT_EQ(values[values.size() - 2], r.last[0]);
    EXPECT_EQ(values.back(), r.last[1]);
    EXPECT_EQ(values.back(), 0u) << "the last case writes 0";
    for (std::size_t i = 0; i + 1 < values.size(); ++i) {
        // Only mflo opens with a value whose low half is 0.
        const bool lowHalfZeroFirst = i == 0 && std::string(r.unit) == "n49_mflo";
        EXPECT_EQ(fullWidth(values[i]), !lowHalfZeroFirst) << "case " << i + 1;
        EXPECT_NE(values[i], values[i + 1]) << "consecutive cases write the same, case " << i + 1;
    }
    EXPECT_EQ(std::count_if(values.begin(), values.end(), [](std::uint32_t v) { return v >> 31; }),
              r.negative);
}

TEST_P(MoveRoutine, InstructionsPerCase) {
    const Expected& r = GetParam();
    const auto counts =
        caseInstructionCounts("hilo.inc", caseLines(unitNamed(r.unit), "hilo_case"));
    EXPECT_EQ(histogram(counts), r.lengths);
    int words = 0;
    for (int c : counts)
        words += c;
    const auto slot = casegen::linkSlot(r.unit);
    ASSERT_TRUE(slot.has_value());
    EXPECT_EQ(4 * (words + casegen::Unit::kFrameWords), int(slot->size));
}

TEST_P(MoveRoutine, CommittedAndDeterministic) {
    expectCommittedAndDeterministic(GetParam().unit);
    expectReportMet(GetParam().unit);
}

INSTANTIATE_TEST_SUITE_P(HiLo, MoveRoutine, ::testing::ValuesIn(routines()),
                         [](const auto& info) { return std::string(info.param.unit); });

// Apart from the final 0s, no value occurs twice in one routine or in two of them.
TEST(MoveRoutines, NoValueRepeatsAcrossTheFour) {
    std::map<std::uint32_t, std::string> seen;
    for (const auto& r : routines()) {
        const auto values = valuesOf(r);
        for (std::size_t i = 0; i + 1 < values.size(); ++i) {
            const auto [it, fresh] = seen.emplace(values[i], r.unit);
            EXPECT_TRUE(fresh) << r.unit << " case " << i + 1 << " repeats a value of "
                               << it->second;
        }
    }
}

TEST(MoveTemplates, InstructionCounts) {
    struct Row {
        const char* call;
        int words;
    };
    const std::vector<Row> rows{
        {"hilo_case hi, 0x12345678", 8},
        {"hilo_case lo, 0x12345678", 8},
        {"hilo_case lo, 0x08fc0000", 6},
        {"hilo_case hi, 0x00000000", 6},
    };
    std::vector<std::string> body;
    for (const auto& row : rows)
        body.push_back(row.call);
    const auto sizes = assembledSizes("hilo.inc", body);
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(int(sizes[i] / 4), rows[i].words) << rows[i].call;
}

} // namespace
} // namespace coretest_gen_test
