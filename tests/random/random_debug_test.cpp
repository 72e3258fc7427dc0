// What names a random image's instructions: symbols per checkpoint block and line records that
// point into the listing, read back through the same code the tools use.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <sstream>

#include "coretest/line_table.h"
#include "coretest/rom_map.h"
#include "random_support.h"

namespace {

using namespace coretest_test;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

TEST(RandomDebug, LineRecordsNameTheListingLineOfEveryWord) {
    coretest::random::RandomOptions o;
    o.seed = 77;
    o.instructions = 3000;
    o.checkpointEvery = 300;
    o.listingName = "seventy-seven.lst";
    const auto program = coretest::random::buildRandomProgram(o);
    const auto image = loadBytes(program.image, "seventy-seven.elf");
    const auto table = coretest::LineTable::of(image);
    ASSERT_EQ(table.units().size(), 1u);
    EXPECT_EQ(table.units()[0].path(), "seventy-seven.lst");
    const auto listing = linesOf(program.listing);
    const auto& seg = image.segments().at(0);
    ASSERT_EQ(table.rows().size(), seg.bytes.size() / 4);
    for (std::uint32_t at = seg.vaddr; at < seg.vaddr + seg.bytes.size(); at += 4 * 37) {
        const coretest::LineRow* row = table.rowAt(at);
        ASSERT_NE(row, nullptr) << std::hex << at;
        ASSERT_GE(row->line, 1);
        ASSERT_LE(static_cast<std::size_t>(row->line), listing.size());
        const std::string& text = listing[static_cast<std::size_t>(row->line) - 1];
        EXPECT_NE(text.find(fmt::format("{:08x}  {:08x}", at, wordAt(image, at))),
                  std::string::npos)
            << text;
    }
}

TEST(RandomDebug, EveryCheckpointBlockIsARoutineOfTheMap) {
    coretest::random::RandomOptions o;
    o.seed = 78;
    o.instructions = 1000;
    o.checkpointEvery = 100;
    o.listingName = "r78.lst";
    const auto program = coretest::random::buildRandomProgram(o);
    const auto image = loadBytes(program.image, "r78.elf");
    const auto map = coretest::RomMap::load(image);
    ASSERT_EQ(map.routines().size(), 10u);
    for (std::uint32_t k = 1; k <= 10; ++k) {
        const coretest::RoutineMap& r = map.routines()[k - 1];
        EXPECT_EQ(r.number, static_cast<int>(k));
        EXPECT_EQ(r.name, fmt::format("n{}_checkpoint_test", k));
        EXPECT_EQ(r.file, "r78.lst");
        // The block's last words are its checkpoint call: ori of k, jalr through $k0 (which
        // holds the checker's address) linking $k1, an empty delay slot.
        EXPECT_EQ(wordAt(image, r.range.end - 12), 0x341c0000u | k); // ori $gp, $zero, k
        EXPECT_EQ(wordAt(image, r.range.end - 8), 0x0340d809u);      // jalr $k1, $k0
        EXPECT_EQ(wordAt(image, r.range.end - 4), 0u);
        const std::string where = map.caseAt(r.range.begin + 8).describe();
        EXPECT_NE(where.find(fmt::format("n{}_checkpoint_test (r78.lst)", k)), std::string::npos)
            << where;
    }
    EXPECT_NE(image.findSymbol("random_check"), nullptr);
    EXPECT_NE(image.findSymbol("test_finish"), nullptr);
    EXPECT_EQ(image.findSymbol("test_finish")->value, 0xbfc00100u);
}

} // namespace
