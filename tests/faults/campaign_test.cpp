// The fault campaign: the catalogue agrees fault by fault, threads change nothing, and a fault
// whose expectation is wrong is reported as a disagreement with what really happened.
#include <gtest/gtest.h>

#include "coretest/campaign.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom;
using coretest_test::romMap;

std::vector<const FaultDef*> everyFault() {
    return FaultFilter().select(faultCatalogue());
}

TEST(FaultFilter, GlobOrSubstring) {
    const struct {
        const char* pattern;
        const char* name;
        bool matches, glob;
    } cases[] = {
        {"", "lui-low-half", true, false},
        {"low", "lui-low-half", true, false},
        {"lui", "lui-low-half", true, false},
        {"half-", "lui-low-half", false, false},
        {"lui-*", "lui-low-half", true, true},
        {"*-half", "lui-low-half", true, true},
        {"low*", "lui-low-half", false, true}, // a glob matches the whole name
        {"b?e-*", "bne-never-branches", true, true},
        {"[bj]*-ds-*", "jal-ds-slot-annulled", true, true},
        {"[bj]*-ds-*", "addu-traps-overflow", false, true},
    };
    for (const auto& c : cases) {
        const FaultFilter f(c.pattern);
        EXPECT_EQ(f.matches(c.name), c.matches) << c.pattern << " " << c.name;
        EXPECT_EQ(f.glob(), c.glob) << c.pattern;
    }
    EXPECT_EQ(FaultFilter("").describe(), "every fault");
    EXPECT_EQ(FaultFilter("slt").describe(), "faults whose name contains 'slt'");
    EXPECT_EQ(FaultFilter("slt-*").describe(), "faults matching glob 'slt-*'");
}

TEST(FaultFilter, SelectionKeepsCatalogueOrder) {
    const auto all = everyFault();
    ASSERT_EQ(all.size(), faultCatalogue().size());
    const auto some = FaultFilter("-ds-").select(faultCatalogue());
    ASSERT_FALSE(some.empty());
    auto it = all.begin();
    for (const FaultDef* f : some) {
        it = std::find(it, all.end(), f);
        ASSERT_NE(it, all.end()) << f->name << " out of order";
    }
}

TEST(Campaign, WholeCatalogueAgrees) {
    const auto faults = everyFault();
    CampaignOptions options;
    options.threads = 2;
    const auto rows = runCampaign(rom(), romMap(), faults, options);
    ASSERT_EQ(rows.size(), faults.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].fault, faults[i]);
        EXPECT_TRUE(rows[i].agrees)
            << rows[i].fault->name << "\n  expected: " << rows[i].expectedText()
            << "\n  observed: " << rows[i].observedText();
    }
    const CampaignSummary s = summarize(rows);
    EXPECT_EQ(s.run, faults.size());
    EXPECT_EQ(s.detected + s.unnoticedAsExpected + s.disagreements, s.run);
    EXPECT_EQ(s.disagreements, 0u);
}

TEST(Campaign, ThreadsDoNotChangeTheOutcome) {
    const auto faults = everyFault();
    CampaignOptions one, three;
    one.threads = 1;
    three.threads = 3;
    std::size_t calls = 0, lastDone = 0;
    three.progress = [&](std::size_t done, std::size_t total) {
        ++calls;
        EXPECT_EQ(done, lastDone + 1);
        EXPECT_EQ(total, faults.size());
        lastDone = done;
    };
    const auto a = runCampaign(rom(), romMap(), faults, one);
    const auto b = runCampaign(rom(), romMap(), faults, three);
    EXPECT_EQ(calls, faults.size());
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].fault, b[i].fault);
        EXPECT_EQ(a[i].observedText(), b[i].observedText()) << a[i].fault->name;
        EXPECT_EQ(a[i].instructions, b[i].instructions) << a[i].fault->name;
        EXPECT_EQ(a[i].agrees, b[i].agrees);
    }
}

// Faults the campaign is given that the catalogue does not hold: a real defect with the wrong
// expectation, and the same defect expected where it shows.
void sltUnsigned(FaultSite& site) {
    site.replace(Op::Slt,
                 [](auto& core, const Instr& i) { core.setRd(i, core.rs(i) < core.rt(i)); });
}
const FaultDef kWronglyExpected{"test-slt-unsigned",
                                "slt compares unsigned",
                                "n8_slt_test",
                                sltUnsigned,
                                {ExpectedKind::Unnoticed, {}}};

TEST(Campaign, WrongExpectationIsADisagreementNamingWhatHappened) {
    const std::vector<const FaultDef*> faults{&kWronglyExpected};
    const auto rows = runCampaign(rom(), romMap(), faults, {});
    ASSERT_EQ(rows.size(), 1u);
    const CampaignRow& row = rows[0];
    EXPECT_FALSE(row.agrees);
    EXPECT_EQ(row.observed.kind, ExpectedKind::Fails);
    ASSERT_EQ(row.observedPlaces.size(), 1u);
    const OutcomePlace& p = row.observedPlaces[0];
    EXPECT_EQ(p.routine, "n8_slt_test");
    EXPECT_GE(p.caseIndex, 1);
    EXPECT_EQ(p.where.caseIndex, p.caseIndex);
    EXPECT_GT(p.where.line, 0);
    // The place is named as the run report names cases.
    EXPECT_NE(row.observedText().find(p.where.describe()), std::string::npos) << row.observedText();
    EXPECT_EQ(row.expectedText(), "unnoticed");
    const CampaignSummary s = summarize(rows);
    EXPECT_EQ(s.disagreements, 1u);
    EXPECT_EQ(s.detected, 0u);

    // The same defect, expected where it was seen, agrees.
    const FaultDef expectedRight{"test-slt-unsigned-located",
                                 "slt compares unsigned",
                                 "n8_slt_test",
                                 sltUnsigned,
                                 {ExpectedKind::Fails, {{"n8_slt_test", p.caseIndex, 0}}}};
    const std::vector<const FaultDef*> again{&expectedRight};
    const auto agreed = runCampaign(rom(), romMap(), again, {});
    EXPECT_TRUE(agreed[0].agrees) << agreed[0].observedText();
    EXPECT_EQ(agreed[0].expectedPlaces[0].where.line, p.where.line);
}

TEST(Campaign, FaultConfinedToAMissingRoutineIsBadInput) {
    const FaultDef stray{
        "test-stray", "confined to no routine of the ROM", "n99_nothing_test", sltUnsigned, {}};
    const std::vector<const FaultDef*> faults{&stray, &kWronglyExpected};
    EXPECT_THROW(runCampaign(rom(), romMap(), faults, {}), InputError);
}

} // namespace
} // namespace coretest
