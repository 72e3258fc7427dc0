// The fault dictionary on the second ROM: display words read as its routines 59 to 82, its pass
// word, and a board explained by the faults that fail those routines.
#include <gtest/gtest.h>

#include <algorithm>

#include "coretest/catalogue.h"
#include "coretest/fault_dictionary.h"
#include "coretest/rom_map.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom2;
using coretest_test::rom2Map;
constexpr RoutineNumbers kSecond{59, 82};

TEST(SecondRomDictionary, RoutineVerdictsCountFromTheRomsFirstRoutine) {
    const auto K = Known::Unknown, Y = Known::Yes, N = Known::No;
    const struct {
        const char* what;
        std::vector<std::uint32_t> words;
        std::vector<std::pair<unsigned, Known>> expect; // routine, verdict
    } cases[] = {
        {"every word seen", {0x3b000001, 0x3c000001, 0x3d000002}, {{59, Y}, {60, N}, {61, Y}}},
        {"a gap without a pass", {0x3b000001, 0x3e000001}, {{60, N}, {61, N}, {62, N}, {63, K}}},
        {"the full pass", {0x52000018}, {{59, Y}, {70, Y}, {82, Y}}},
        {"the first ROM's words", {0x01000001, 0x3a00003a}, {{1, K}, {58, K}, {59, K}}},
        {"more passes than routines so far", {0x3c000003}, {{59, K}, {60, K}}},
    };
    for (const auto& c : cases) {
        const RoutineVerdicts v = routineVerdicts(c.words, kSecond);
        for (const auto& [routine, known] : c.expect)
            EXPECT_EQ(v[routine], known) << c.what << ", routine " << routine;
    }
}

TEST(SecondRomDictionary, ThePassIsTheSecondRomsOwn) {
    EXPECT_EQ(rom2Map().routineNumbers().first, kSecond.first);
    EXPECT_EQ(rom2Map().routineNumbers().last, kSecond.last);
    const BoardObservation pass{{0x52000018}, std::pair{1u, 1u}, false};
    EXPECT_TRUE(pass.showsPass(kSecond));
    EXPECT_FALSE(pass.showsPass()); // the first ROM's pass is 0x3a00003a
    const BoardObservation first{{0x3a00003a}, std::nullopt, false};
    EXPECT_FALSE(first.showsPass(kSecond));
    EXPECT_TRUE(first.showsPass());
}

TEST(SecondRomDictionary, NamesTheFaultsThatFailTheBoardsRoutines) {
    const std::vector<const FaultDef*> faults{
        findFault("lb-wrong-lane"), findFault("sh-wrong-lane"),
        findFault("syscall-break-codes-swapped"), findFault("slt-compares-unsigned")};
    CampaignOptions options;
    options.threads = 2;
    const FaultDictionary d = FaultDictionary::build(rom2(), rom2Map(), faults, options);
    EXPECT_EQ(d.faultCount(), faults.size());
    EXPECT_EQ(d.routineNumbers().first, 59u);
    // One fault's own board ranks its group first.
    const AmbiguityGroup* sh = d.groupOf(*findFault("sh-wrong-lane"));
    ASSERT_NE(sh, nullptr);
    const BoardObservation shBoard{sh->outcome.displayWords,
                                   std::pair{sh->outcome.lampA, sh->outcome.lampB}, false};
    EXPECT_FALSE(shBoard.showsPass(kSecond));
    EXPECT_EQ(d.rank(shBoard).front().group, sh);
    EXPECT_EQ(d.rank(shBoard).front().mismatches, 0u);
    // Routine 59 failed (lb) and 64 failed (sh) in one run: two faults explain it.
    const BoardObservation two{
        {0x3b000000, 0x3f000004, 0x40000004, 0x52000016}, std::pair{2u, 2u}, false};
    const auto several = d.explainSeveral(two);
    ASSERT_TRUE(several);
    EXPECT_EQ(several->failing, (std::vector<unsigned>{59, 64}));
    const auto answers = several->answers();
    const auto names = [&](std::string_view name) {
        return std::any_of(answers.begin(), answers.end(), [&](const AmbiguityGroup* g) {
            return std::find(g->faults.begin(), g->faults.end(), findFault(name)) !=
                   g->faults.end();
        });
    };
    EXPECT_TRUE(names("lb-wrong-lane"));
    EXPECT_TRUE(names("sh-wrong-lane"));
    EXPECT_TRUE(several->unexplained.empty());
}

} // namespace
} // namespace coretest
