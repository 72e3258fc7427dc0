#pragma once
// Checks the tests of every generator family make of a built unit: its body and its slot in the
// link order hold what its case lengths add up to, two builds write the same text and that text
// is the file committed under rom/inst, and every counted property of its report is met.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

#include "assembler.h"
#include "unit.h"
#include "units.h"

namespace gen_test {

// The unit of the table by its name ("n7_or"); throws when the table has none.
inline casegen::Unit unitNamed(std::string_view name) {
    const auto* entry = casegen::findUnit(name);
    if (!entry) throw std::runtime_error("no unit " + std::string(name));
    return casegen::buildUnit(*entry);
}

// The body is `words` instructions, as the generator reports it, and the routine's slot in the
// link order holds the body and the frame around it.
inline void expectRoutineSize(const casegen::Unit& u, long words) {
    EXPECT_EQ(u.bodyWords, words) << u.name() << ": the size the generator reports";
    const auto slot = casegen::linkSlot(u.name());
    ASSERT_TRUE(slot.has_value()) << u.name() << " has no slot in the link order";
    EXPECT_EQ(4 * (words + casegen::Unit::kFrameWords), static_cast<long>(slot->size))
        << u.name() << ": slot size";
}

// The instruction counts of the unit's case lines, as `lengths` (instructions: cases) states
// them, and the routine size they add up to.
template <class Counts>
void expectCaseLengths(const casegen::Unit& u, const Counts& counts,
                       const std::map<int, int>& lengths) {
    std::map<int, int> found;
    long words = 0;
    for (const auto n : counts) {
        ++found[static_cast<int>(n)];
        words += static_cast<long>(n);
    }
    EXPECT_EQ(found, lengths) << u.name() << ": cases by instruction count";
    expectRoutineSize(u, words);
}

// Two builds of the unit write the same text, and it is the committed file.
inline void expectCommittedAndDeterministic(const casegen::Unit& u) {
    const std::string text = casegen::renderUnit(u);
    EXPECT_EQ(text, casegen::renderUnit(unitNamed(u.name()))) << u.name() << ": two builds differ";
    const auto path = std::filesystem::path(CORETEST_SOURCE_DIR) / "rom/inst" / u.fileName();
    EXPECT_EQ(readAll(path), text)
        << path << " differs from the generator: regenerate with casegen --out rom/inst";
}

// Every counted property of the builder's report is met.
inline void expectReportMet(const casegen::Unit& u) {
    for (const auto& p : u.properties)
        EXPECT_TRUE(p.met) << u.name() << ": " << p.name << ", target " << p.target << ", value "
                           << p.actual;
}

} // namespace gen_test
