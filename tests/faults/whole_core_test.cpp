// Whole-core faults: the ROM's blind spots show as the catalogue records them, the recorded
// whole-core table stays in step with the catalogue, and a wrong whole-core expectation is
// reported as a disagreement.
#include <gtest/gtest.h>

#include <set>

#include "coretest/campaign.h"
#include "coretest/display_word.h"
#include "coretest/whole_core_table.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom;
using coretest_test::romMap;

// Whether routine `number` passed, from the display words of a run.
bool routinePassed(const std::vector<std::uint32_t>& words, unsigned number) {
    unsigned before = 0;
    for (std::uint32_t w : words) {
        if ((w >> 24) == number) return (w & 0xffffff) == before + 1;
        before = w & 0xffffff;
    }
    return false;
}

TEST(WholeCore, BlindSpotsAreFirstSeenInAnotherRoutine) {
    const struct {
        const char* fault;
        unsigned ownRoutine;
        const char* firstSeen;
        bool ownRoutinePasses;
    } cases[] = {
        // The step of n1_lui_test is loaded with lui too and moves with the group bases.
        {"lui-low-half", 1, "n2_addu_test", true},
        {"lui-shift-15", 1, "n2_addu_test", true},
        // n4_beq_test builds operands with ori and runs long before n29_ori_test.
        {"ori-sign-extends", 29, "n4_beq_test", false},
    };
    for (const auto& c : cases) {
        const FaultDef* f = findFault(c.fault);
        ASSERT_NE(f, nullptr) << c.fault;
        const std::vector<const FaultDef*> faults{f};
        const auto rows = runCampaign(rom(), romMap(), faults, {});
        const CampaignRow& row = rows.at(0);
        // Confined to its routine the fault is caught there.
        EXPECT_TRUE(row.agrees) << c.fault << ": " << row.observedText();
        ASSERT_FALSE(row.observedPlaces.empty()) << c.fault;
        EXPECT_EQ(row.observedPlaces[0].routine, f->scope) << c.fault;
        // On the whole core another routine is the first to see it.
        const BoardOutcome& whole = row.wholeCore.observed;
        EXPECT_TRUE(row.wholeCore.ownRun);
        EXPECT_EQ(routinePassed(whole.displayWords, c.ownRoutine), c.ownRoutinePasses) << c.fault;
        ASSERT_TRUE(whole.first) << c.fault;
        EXPECT_EQ(whole.first->routine, c.firstSeen) << c.fault;
        EXPECT_NE(whole.kind, ExpectedKind::Unnoticed) << c.fault;
        EXPECT_TRUE(row.wholeCore.agrees) << c.fault << ": " << whole.describe();
        EXPECT_TRUE(isBlindSpot(*f, row.wholeCore.expected)) << c.fault;
    }
}

TEST(WholeCore, RecordedTableAndCatalogueMatchOneToOne) {
    std::set<std::string_view> recorded;
    for (const auto& r : recordedWholeCoreTable()) {
        const FaultDef* f = findFault(r.fault);
        EXPECT_NE(f, nullptr) << r.fault << ": recorded, but no such fault in the catalogue";
        EXPECT_TRUE(recorded.insert(r.fault).second) << r.fault << ": recorded twice";
        EXPECT_TRUE(r.outcome.recorded) << r.fault;
        if (!f) continue;
        EXPECT_FALSE(f->wholeCore.recorded)
            << r.fault << ": stated with the fault and in the recorded table";
        // A blind spot is reviewed: its entry says why.
        EXPECT_EQ(isBlindSpot(*f, r.outcome), !r.reason.empty())
            << r.fault
            << (r.reason.empty() ? ": a blind spot without its reason"
                                 : ": a reason for an entry that is no blind spot");
    }
    for (const FaultDef& f : faultCatalogue())
        EXPECT_TRUE(wholeCoreExpectation(f).recorded)
            << f.name << ": no whole-core expectation (coretest faults --record-whole-core)";
}

TEST(WholeCore, WholeCatalogueAgreesOnTheWholeCore) {
    const auto faults = FaultFilter().select(faultCatalogue());
    CampaignOptions options;
    options.threads = 2;
    options.wholeCoreOnly = true;
    const auto rows = runCampaign(rom(), romMap(), faults, options);
    for (const auto& row : rows)
        EXPECT_TRUE(row.wholeCore.agrees)
            << row.fault->name << "\n  expected: " << describe(row.wholeCore.expected)
            << "\n  observed: " << row.wholeCore.observed.describe();
    EXPECT_EQ(summarize(rows).wholeCoreDisagreements, 0u);
}

void sltUnsigned(FaultSite& site) {
    site.replace(Op::Slt,
                 [](auto& core, const Instr& i) { core.setRd(i, core.rs(i) < core.rt(i)); });
}

TEST(WholeCore, WrongOrMissingExpectationIsADisagreement) {
    const Expected scoped{ExpectedKind::Fails, {{"n8_slt_test", 3, 1}}};
    const WholeCoreExpected right{true, ExpectedKind::Fails, {"n8_slt_test", 3, 1}, 0x3a000039, 2,
                                  2};
    WholeCoreExpected otherCase = right, otherDisplay = right, otherLamps = right;
    otherCase.first.caseIndex = 4;
    otherDisplay.finalDisplay = 0x3a00003a;
    otherLamps.lampA = 1;
    const struct {
        const char* what;
        WholeCoreExpected expected;
        bool agrees;
    } cases[] = {
        {"right", right, true},
        {"not recorded", {}, false},
        {"another case", otherCase, false},
        {"another display word", otherDisplay, false},
        {"other lamps", otherLamps, false},
    };
    for (const auto& c : cases) {
        const FaultDef fault{
            "test-slt-unsigned", "slt compares unsigned", "n8_slt_test", sltUnsigned, scoped,
            c.expected};
        const std::vector<const FaultDef*> faults{&fault};
        const auto rows = runCampaign(rom(), romMap(), faults, {});
        EXPECT_TRUE(rows[0].agrees) << c.what;
        EXPECT_EQ(rows[0].wholeCore.agrees, c.agrees)
            << c.what << ": " << rows[0].wholeCore.observed.describe();
        EXPECT_EQ(summarize(rows).wholeCoreDisagreements, c.agrees ? 0u : 1u) << c.what;
    }
}

} // namespace
} // namespace coretest
