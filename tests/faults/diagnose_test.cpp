// The fault dictionary and `coretest diagnose`: built from the catalogue's whole-core runs, it
// ranks the fault that produced a board first, for one failed routine, several, a run without
// verdict and a pass; the command's exit status follows the board.
#include <gtest/gtest.h>

#include <algorithm>

#include "coretest/catalogue.h"
#include "coretest/fault_dictionary.h"
#include "support/cli_runner.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom;
using coretest_test::romMap;

const FaultDictionary& dictionary() {
    static const FaultDictionary d = [] {
        CampaignOptions options;
        options.threads = 2;
        return FaultDictionary::build(rom(), romMap(), FaultFilter().select(faultCatalogue()),
                                      options);
    }();
    return d;
}

bool holds(const AmbiguityGroup& g, std::string_view name) {
    return std::any_of(g.faults.begin(), g.faults.end(),
                       [&](const FaultDef* f) { return f->name == name; });
}

TEST(FaultDictionary, EveryFaultInExactlyOneGroup) {
    std::size_t total = 0;
    for (const auto& g : dictionary().groups()) {
        ASSERT_FALSE(g.faults.empty());
        total += g.faults.size();
    }
    EXPECT_EQ(total, faultCatalogue().size());
    EXPECT_EQ(dictionary().faultCount(), faultCatalogue().size());
    for (const FaultDef& f : faultCatalogue())
        EXPECT_NE(dictionary().groupOf(f), nullptr) << f.name;
}

TEST(FaultDictionary, RanksTheFaultThatShowedTheBoardFirst) {
    const struct {
        const char* what;
        const char* fault;
        BoardObservation seen;
    } cases[] = {
        {"one routine failed",
         "slt-compares-unsigned",
         {{0x01000001, 0x07000007, 0x08000007, 0x3a000039}, {{2, 2}}, false}},
        {"several failed, the divide routines' results read through swapped moves",
         "hi-lo-swapped-moves",
         {{0x3a000036}, {{2, 2}}, false}},
        {"no verdict, the display never written", "j-does-not-jump", {{0}, {}, true}},
        {"a pass: the faults the ROM cannot see",
         "add-ignores-overflow",
         {{0x3a00003a}, {{1, 1}}, false}},
    };
    for (const auto& c : cases) {
        const auto ranked = dictionary().rank(c.seen);
        ASSERT_FALSE(ranked.empty());
        const auto at = std::find_if(ranked.begin(), ranked.end(),
                                     [&](const Candidate& k) { return holds(*k.group, c.fault); });
        ASSERT_NE(at, ranked.end()) << c.what;
        EXPECT_EQ(at->mismatches, 0u) << c.what;
        EXPECT_LT(at - ranked.begin(), 3) << c.what;
        EXPECT_EQ(ranked.front().mismatches, 0u) << c.what;
    }
    // A board no catalogue fault shows still ranks every group, none consistent.
    const auto odd = dictionary().rank({{0x12345678}, {{7, 7}}, false});
    EXPECT_EQ(odd.size(), dictionary().groups().size());
    EXPECT_GT(odd.front().mismatches, 0u);
}

TEST(DiagnoseCommand, ExitStatusFollowsTheBoard) {
    const struct {
        const char* args;
        int status;
        const char* shows;
    } cases[] = {
        {"3a00003a --lamps 1,1", 0, "the board shows a pass"},
        {"07000007 08000007 3a000039 --lamps 2,2", 1, "slt-compares-unsigned"},
        {"--no-verdict", 1, "j-does-not-jump"},
        {"xyz", 2, "display word 'xyz'"},
        {"--lamps 2", 2, "--lamps '2'"},
        {"", 2, "nothing observed"},
    };
    for (const auto& c : cases) {
        const auto r = coretest_test::runCli(std::string("diagnose ") + c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(c.shows), std::string::npos) << c.args << "\n"
                                                                    << r.out << r.err;
    }
}

} // namespace
} // namespace coretest
