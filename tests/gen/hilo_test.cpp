// The mfhi, mflo, mthi and mtlo routines: value lists recomputed from the generated case lines
// (counts, signs, the final 0, uniqueness across the four routines). Case lengths, template
// sizes, the report and the committed text are checked in data_units_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "mem_routines.h"
#include "mem_support.h"

namespace coretest_gen_test {
namespace {

std::vector<std::uint32_t> valuesOf(const MoveRow& r) {
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

class MoveRoutine : public ::testing::TestWithParam<MoveRow> {};

TEST_P(MoveRoutine, Values) {
    const MoveRow& r = GetParam();
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

INSTANTIATE_TEST_SUITE_P(HiLo, MoveRoutine, ::testing::ValuesIn(moveRoutines()),
                         [](const auto& info) { return std::string(info.param.unit); });

// Apart from the final 0s, no value occurs twice in one routine or in two of them.
TEST(MoveRoutines, NoValueRepeatsAcrossTheFour) {
    std::map<std::uint32_t, std::string> seen;
    for (const auto& r : moveRoutines()) {
        const auto values = valuesOf(r);
        for (std::size_t i = 0; i + 1 < values.size(); ++i) {
            const auto [it, fresh] = seen.emplace(values[i], r.unit);
            EXPECT_TRUE(fresh) << r.unit << " case " << i + 1 << " repeats a value of "
                               << it->second;
        }
    }
}

} // namespace
} // namespace coretest_gen_test
