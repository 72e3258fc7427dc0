// The campaign on the second ROM: every fault on the whole core, set against the recorded
// second-ROM table. The table covers the catalogue one to one, says why for every blind spot of
// the first ROM that the second ROM does not catch, and the pair of ROMs catches at least 40 of the
// 47 blind spots the first ROM had before the second ROM's faults joined the catalogue.
#include <gtest/gtest.h>

#include <set>
#include <string_view>

#include "coretest/campaign.h"
#include "coretest/catalogue.h"
#include "coretest/rom_map.h"
#include "coretest/whole_core_table.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom2;
using coretest_test::rom2Map;
TEST(SecondRomCampaign, TellsTheRomsApart) {
    EXPECT_TRUE(isSecondRom(rom2Map()));
    EXPECT_FALSE(isSecondRom(coretest_test::romMap()));
}

TEST(SecondRomCampaign, WholeCatalogueAgreesOnTheWholeCore) {
    const auto faults = FaultFilter().select(faultCatalogue());
    CampaignOptions options;
    options.threads = 2;
    const auto rows = runCampaign(rom2(), rom2Map(), faults, options);
    ASSERT_EQ(rows.size(), faults.size());
    for (const auto& row : rows) {
        EXPECT_FALSE(row.scoped) << row.fault->name;
        EXPECT_TRUE(row.wholeCore.checked && row.wholeCore.ownRun) << row.fault->name;
        EXPECT_TRUE(row.wholeCore.agrees)
            << row.fault->name << "\n  expected: " << describe(row.wholeCore.expected)
            << "\n  observed: " << row.wholeCore.observed.describe();
    }
    const CampaignSummary s = summarize(rows);
    EXPECT_EQ(s.wholeCoreDisagreements, 0u);
    EXPECT_EQ(s.wholeCoreRuns, faults.size());
    // No scoped run, so nothing counted as detected, unnoticed or disagreeing there.
    EXPECT_EQ(s.detected + s.unnoticedAsExpected + s.disagreements, 0u);
    std::size_t caughtRows = 0;
    for (const auto& row : rows)
        caughtRows += row.wholeCore.observed.caught();
    EXPECT_EQ(s.wholeCoreCaught, caughtRows);
    EXPECT_GT(caughtRows, 0u);
    EXPECT_LT(caughtRows, faults.size());
}

TEST(SecondRomCampaign, RecordedTableCoversTheCatalogueWithAReasonForEveryMiss) {
    const auto table = recordedSecondRomTable();
    const auto catalogue = faultCatalogue();
    ASSERT_EQ(table.size(), catalogue.size()) << "coretest faults --rom 2 --record-whole-core";
    for (std::size_t i = 0; i < table.size(); ++i) {
        const RecordedWholeCore& r = table[i];
        SCOPED_TRACE(std::string(r.fault));
        EXPECT_EQ(r.fault, catalogue[i].name) << "not in catalogue order";
        EXPECT_TRUE(r.outcome.recorded);
        const bool blindSpot = isBlindSpot(catalogue[i], wholeCoreExpectation(catalogue[i]));
        EXPECT_EQ(!r.reason.empty(), blindSpot && !caught(r.outcome))
            << (r.reason.empty() ? "a blind spot the second ROM misses, without its reason"
                                 : "a reason for an entry that needs none");
    }
}

void sltUnsigned(FaultSite& site) {
    site.replace(Op::Slt,
                 [](auto& core, const Instr& i) { core.setRd(i, core.rs(i) < core.rt(i)); });
}

TEST(SecondRomCampaign, AFaultWithoutARecordedOutcomeIsADisagreement) {
    const FaultDef fault{"test-slt-unsigned",
                         "slt compares unsigned",
                         "n8_slt_test",
                         sltUnsigned,
                         {ExpectedKind::Fails, {{"n8_slt_test", 3, 1}}},
                         {true, ExpectedKind::Fails, {"n8_slt_test", 3, 1}, 0x3a000039, 2, 2}};
    const std::vector<const FaultDef*> faults{&fault};
    const auto rows = runCampaign(rom2(), rom2Map(), faults, {});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_FALSE(rows[0].wholeCore.expected.recorded);
    EXPECT_FALSE(rows[0].wholeCore.agrees);
    EXPECT_FALSE(rows[0].agreesBothWays());
    EXPECT_EQ(summarize(rows).wholeCoreDisagreements, 1u);
}

// The first ROM's whole-core blind spots when the second ROM was planned (47 of 174 faults).
constexpr std::string_view kFirstBlindSpots[] = {"lui-low-half",
                                                 "lui-shift-15",
                                                 "add-ignores-overflow",
                                                 "sub-ignores-overflow",
                                                 "addi-ignores-overflow",
                                                 "ori-sign-extends",
                                                 "sllv-six-bit-amount",
                                                 "srlv-six-bit-amount",
                                                 "srav-six-bit-amount",
                                                 "sw-keeps-old-word",
                                                 "sw-zero-keeps-old-word",
                                                 "offset-zero-extended-sw",
                                                 "offset-zero-extended-mirrored-lw",
                                                 "offset-zero-extended-mirrored-sw",
                                                 "sw-offset-zero-extended",
                                                 "beq-never-branches",
                                                 "beq-always-branches",
                                                 "bne-always-branches",
                                                 "bne-never-branches",
                                                 "beq-never-forward",
                                                 "bne-never-forward",
                                                 "j-does-not-jump",
                                                 "jal-does-not-jump",
                                                 "jr-does-not-jump-nor-return",
                                                 "jal-does-not-link",
                                                 "jal-links-delay-slot",
                                                 "bltzal-ds-links-without-branching",
                                                 "bgezal-ds-links-without-branching",
                                                 "jal-ds-links-without-jumping",
                                                 "jalr-ds-links-without-jumping",
                                                 "mthi-writes-lo",
                                                 "mtlo-writes-hi",
                                                 "mfhi-reads-lo",
                                                 "mflo-reads-hi",
                                                 "hi-lo-swapped-moves",
                                                 "mthi-late",
                                                 "mtlo-late",
                                                 "mthi-ignores-zero",
                                                 "mtlo-ignores-zero",
                                                 "forwarding-ex-ex-missing",
                                                 "forwarding-ex-ex-missing-rs",
                                                 "store-data-forwarding-missing",
                                                 "load-delay-slot-visible",
                                                 "delay-slot-store-dropped",
                                                 "div-by-zero-gives-zero",
                                                 "div-overflow-traps",
                                                 "sb-sh-write-whole-word"};

TEST(SecondRomCampaign, ThePairCatchesAtLeast40OfTheFirstRomsOriginal47BlindSpots) {
    std::size_t byPair = 0, byFirst = 0;
    for (const std::string_view name : kFirstBlindSpots) {
        const FaultDef* f = findFault(name);
        ASSERT_NE(f, nullptr) << name;
        const WholeCoreExpected first = wholeCoreExpectation(*f);
        EXPECT_TRUE(isBlindSpot(*f, first)) << name << " is no blind spot of the first ROM now";
        byFirst += caught(first);
        byPair += caught(first) || caught(secondRomExpectation(*f));
    }
    EXPECT_EQ(std::size(kFirstBlindSpots), 47u);
    EXPECT_GE(byPair, 40u);
    EXPECT_GT(byPair, byFirst) << "the second ROM adds nothing";
}

// Every fault the second ROM's areas brought into the catalogue is caught by the second ROM.
TEST(SecondRomCampaign, EveryBlindSpotSaidToBeCaughtByTheSecondRomIsCaughtThere) {
    for (const auto& r : recordedWholeCoreTable()) {
        if (r.reason.find("second ROM") == std::string_view::npos) continue;
        const FaultDef* f = findFault(r.fault);
        ASSERT_NE(f, nullptr) << r.fault;
        EXPECT_TRUE(caught(secondRomExpectation(*f))) << r.fault << ": " << r.reason;
    }
}

} // namespace
} // namespace coretest
