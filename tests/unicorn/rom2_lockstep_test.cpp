// The second ROM in lockstep: the routines docs/unicorn.md lists as compared run on both cores
// without a difference, and the run stops, with its note, in the first routine the page lists as
// skipped (the first coprocessor 0 instruction); with that routine's call taken out, it stops in
// the next skipped routine, whose exception cases set Status first.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "coretest/lockstep.h"
#include "coretest/rom_map.h"
#include "coretest/run.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom2;
struct Rows {
    std::vector<unsigned> compared, skipped; // routine numbers, in order
};

// The table between <!-- rom2 lockstep --> and its end marker: "| 59 to 75 | compared | ... |".
Rows documentedRows() {
    std::ifstream in(std::filesystem::path(CORETEST_SOURCE_DIR) / "docs" / "unicorn.md");
    std::stringstream text;
    text << in.rdbuf();
    const std::string page = text.str();
    const auto begin = page.find("<!-- rom2 lockstep -->");
    const auto end = page.find("<!-- end rom2 lockstep -->");
    EXPECT_NE(begin, std::string::npos) << "docs/unicorn.md has no rom2 lockstep table";
    EXPECT_NE(end, std::string::npos);
    Rows rows;
    if (begin == std::string::npos || end == std::string::npos) return rows;
    const std::string table = page.substr(begin, end - begin);
    static const std::regex row(R"(\n\| (\d+)(?: to (\d+))? \| (compared|skipped) \|)");
    for (auto it = std::sregex_iterator(table.begin(), table.end(), row);
         it != std::sregex_iterator(); ++it) {
        const unsigned first = std::stoul((*it)[1]);
        const unsigned last = (*it)[2].matched ? std::stoul((*it)[2]) : first;
        auto& into = (*it)[3] == "compared" ? rows.compared : rows.skipped;
        for (unsigned n = first; n <= last; ++n)
            into.push_back(n);
    }
    return rows;
}

// The image with the word at `address` replaced.
Image withWord(const Image& image, std::uint32_t address, std::uint32_t word) {
    std::vector<Segment> segments = image.segments();
    for (Segment& s : segments)
        if (const std::uint32_t off = address - s.vaddr; off + 4 <= s.bytes.size())
            std::memcpy(&s.bytes[off], &word, 4);
    return Image(image.entry(), segments, image.symbols(), image.name());
}

// The routine holding the address in the note "not comparable: ... at 0x...".
const RoutineMap* routineOfNote(const RomMap& map, const std::string& note) {
    const auto at = note.rfind(" at 0x");
    if (at == std::string::npos) return nullptr;
    return map.routineAt(static_cast<std::uint32_t>(std::stoul(note.substr(at + 6), nullptr, 16)));
}

TEST(Rom2Lockstep, ThePageListsEveryRoutineOnce) {
    const Rows rows = documentedRows();
    std::vector<unsigned> all = rows.compared;
    all.insert(all.end(), rows.skipped.begin(), rows.skipped.end());
    std::vector<unsigned> expected;
    const RomMap map = RomMap::load(rom2());
    for (const auto& r : map.routines())
        expected.push_back(static_cast<unsigned>(r.number));
    EXPECT_EQ(all, expected);
}

TEST(Rom2Lockstep, ComparesTheListedRoutinesAndStopsInTheFirstSkipped) {
    const Rows rows = documentedRows();
    ASSERT_FALSE(rows.compared.empty());
    ASSERT_FALSE(rows.skipped.empty());
    const RomMap map = RomMap::load(rom2());
    const LockstepResult r = lockstep(rom2(), &map, 1, 10'000'000);
    EXPECT_FALSE(r.difference) << r.difference->describe();
    ASSERT_TRUE(r.notComparable);
    EXPECT_NE(r.notComparable->find("the coprocessor instruction mtc0"), std::string::npos)
        << *r.notComparable;
    const RoutineMap* stop = routineOfNote(map, *r.notComparable);
    ASSERT_NE(stop, nullptr) << *r.notComparable;
    EXPECT_EQ(static_cast<unsigned>(stop->number), rows.skipped.front()) << *r.notComparable;

    // Up to the stop, the reference core has passed every routine listed as compared.
    const RunResult ref = run(rom2(), {.switchValue = 1, .instructionLimit = r.instructions});
    const unsigned last = rows.compared.back();
    EXPECT_EQ(ref.board.display, last << 24 | static_cast<unsigned>(rows.compared.size()));
}

TEST(Rom2Lockstep, WithoutTheCoprocessorRoutineItStopsInTheExceptionRoutines) {
    const Rows rows = documentedRows();
    ASSERT_GE(rows.skipped.size(), 2u);
    const RomMap map = RomMap::load(rom2());
    const RoutineMap* cp0 = nullptr;
    for (const auto& r : map.routines())
        if (static_cast<unsigned>(r.number) == rows.skipped.front()) cp0 = &r;
    ASSERT_NE(cp0, nullptr);
    // Its call in the run order: jal to the routine's first word, replaced by a nop.
    const Symbol* entry = rom2().findSymbol(cp0->name);
    ASSERT_NE(entry, nullptr) << cp0->name;
    const std::uint32_t jal = 0x0c000000 | ((entry->value >> 2) & 0x03ffffff);
    std::uint32_t call = 0;
    for (const Segment& s : rom2().segments())
        for (std::uint32_t off = 0; off + 4 <= s.bytes.size() && !call; off += 4) {
            std::uint32_t word;
            std::memcpy(&word, &s.bytes[off], 4);
            if (word == jal) call = s.vaddr + off;
        }
    ASSERT_NE(call, 0u) << "no call of " << cp0->name;
    const LockstepResult r = lockstep(withWord(rom2(), call, 0), &map, 1, 10'000'000);
    EXPECT_FALSE(r.difference) << r.difference->describe();
    ASSERT_TRUE(r.notComparable);
    // Each exception case sets Status with mtc0 before it takes the exception.
    EXPECT_NE(r.notComparable->find("the coprocessor instruction mtc0"), std::string::npos)
        << *r.notComparable;
    const RoutineMap* stop = routineOfNote(map, *r.notComparable);
    ASSERT_NE(stop, nullptr) << *r.notComparable;
    EXPECT_EQ(static_cast<unsigned>(stop->number), rows.skipped[1]) << *r.notComparable;
}

} // namespace
} // namespace coretest
