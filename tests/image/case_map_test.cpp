// The image's line records name every case: each routine's cases come out of them in order, one
// source line each, and every address of a case maps back to its line.
#include <gtest/gtest.h>

#include <array>

#include "coretest/routine_reports.h"

namespace coretest {
namespace {

const Image& rom() {
    static const Image image = Image::load(CORETEST_ROM_PATH);
    return image;
}
const LineTable& lines() {
    static const LineTable table = LineTable::load(CORETEST_ROM_PATH);
    return table;
}
const RomMap& romMap() {
    static const RomMap map(rom(), &lines());
    return map;
}

// Cases of routines 1 to 58, in run order.
constexpr std::array<int, 58> kCases{192, 301, 123, 104, 153, 64,  301, 301, 301, 301, 301, 69,
                                     121, 122, 142, 26,  26,  26,  26,  26,  250, 301, 245, 301,
                                     301, 301, 301, 301, 301, 301, 301, 301, 301, 301, 301, 301,
                                     201, 201, 201, 153, 139, 146, 140, 122, 178, 159, 142, 115,
                                     115, 107, 60,  32,  32,  32,  32,  32,  32,  32};

TEST(CaseMap, EveryRoutineHasItsReportBlockAndRunNumber) {
    const auto& routines = romMap().routines();
    ASSERT_EQ(routines.size(), 58u);
    for (std::size_t i = 0; i < routines.size(); ++i) {
        const auto& r = routines[i];
        EXPECT_EQ(r.number, static_cast<int>(i) + 1);
        // The report block is the fifth instruction from the end: sll, or, sw, jr, nop.
        EXPECT_EQ(r.reportBlock, r.range.end - 20) << r.name;
        EXPECT_EQ(r.file, "inst/" + r.name.substr(0, r.name.size() - 5) + ".S") << r.name;
    }
}

TEST(CaseMap, RoutinesWithCasesHaveTheirFullCaseCount) {
    int filled = 0, total = 0;
    for (const auto& r : romMap().routines()) {
        if (r.cases.empty()) continue; // a unit still holding only its frame
        ++filled;
        total += static_cast<int>(r.cases.size());
        EXPECT_EQ(static_cast<int>(r.cases.size()), kCases[static_cast<std::size_t>(r.number) - 1])
            << r.name;
    }
    if (filled == 58) {
        EXPECT_EQ(total, 10138);
    }
}

TEST(CaseMap, EveryAddressOfACaseMapsToItsLine) {
    for (const auto& r : romMap().routines()) {
        int index = 0, previousLine = 0;
        for (const auto& c : r.cases) {
            ++index;
            EXPECT_GT(c.line, previousLine)
                << r.name << " case " << index << ": cases follow the source";
            previousLine = c.line;
            for (std::uint32_t a = c.begin; a < c.end; a += 4) {
                const CaseRef ref = romMap().caseAt(a);
                ASSERT_EQ(ref.routine, &r) << std::hex << a;
                ASSERT_EQ(ref.caseIndex, index) << r.name << std::hex << " at 0x" << a;
                ASSERT_EQ(ref.line, c.line) << r.name << std::hex << " at 0x" << a;
                const LineRow* row = lines().rowAt(a);
                ASSERT_NE(row, nullptr);
                EXPECT_EQ(row->address, c.begin) << "one row per case, at its first instruction";
            }
        }
    }
}

TEST(CaseMap, FrameAndPaddingLieInNoCase) {
    for (const auto& r : romMap().routines()) {
        EXPECT_EQ(romMap().caseAt(r.range.begin).caseIndex, 0) << r.name << " entry";
        EXPECT_EQ(romMap().caseAt(r.reportBlock).caseIndex, 0) << r.name << " report block";
        // Padding up to the next 16-byte boundary has no row of its own.
        for (std::uint32_t a = r.range.end; a % 16; a += 4) {
            const LineRow* row = lines().rowAt(a);
            if (row) {
                EXPECT_LT(row->address, r.range.end) << std::hex << a;
            }
        }
    }
    EXPECT_EQ(romMap().caseAt(kRomBase).routine, nullptr) << "the boot unit holds no routine";
}

TEST(CaseMap, UnitsAreNamedWithoutBuildPaths) {
    for (const auto& u : lines().units()) {
        EXPECT_EQ(u.name.find('/'), std::string::npos) << u.name;
        EXPECT_FALSE(u.compDir.starts_with("/")) << u.name << " compiled in " << u.compDir;
    }
}

} // namespace
} // namespace coretest
