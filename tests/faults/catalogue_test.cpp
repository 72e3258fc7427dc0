// Every fault of the catalogue, run on the reference core in its campaign scope, must end exactly
// where the catalogue says: the failing routines, cases and comparisons, an exception idle loop,
// an idle core without verdict, or a passing run.
#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "coretest/catalogue.h"
#include "coretest/outcomes.h"
#include "coretest/routine_reports.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom;
using coretest_test::romMap;

class CatalogueFault : public ::testing::TestWithParam<const FaultDef*> {};

TEST_P(CatalogueFault, EndsWhereTheCatalogueSays) {
    const FaultDef& fault = *GetParam();
    RunOptions options;
    options.switchValue = 1;
    options.instructionLimit = 20'000'000;
    options.faults.push_back(campaignSelection(fault));
    const Diagnosis d = diagnose(rom(), romMap(), options);
    const Observed observed = observe(d);
    EXPECT_TRUE(agrees(fault.expected, observed))
        << fault.name << " (" << fault.description << ")\n  expected: " << describe(fault.expected)
        << "\n  observed: " << describe(observed);
}

std::vector<const FaultDef*> allFaults() {
    std::vector<const FaultDef*> out;
    for (const auto& f : faultCatalogue())
        out.push_back(&f);
    return out;
}

std::string testName(const ::testing::TestParamInfo<const FaultDef*>& info) {
    std::string name(info.param->name);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, CatalogueFault, ::testing::ValuesIn(allFaults()), testName);

TEST(Catalogue, NamesAreUniqueAndEntriesComplete) {
    std::set<std::string_view> names;
    for (const auto& f : faultCatalogue()) {
        EXPECT_TRUE(names.insert(f.name).second) << "duplicate fault name " << f.name;
        EXPECT_FALSE(f.description.empty()) << f.name;
        EXPECT_NE(f.install, nullptr) << f.name;
        if (!f.scope.empty()) {
            EXPECT_NE(romMap().routineNamed(f.scope), nullptr) << f.name << " scope " << f.scope;
        }
        // A failing verdict names its routines; an exception idle loop names where the
        // exception happened, or nothing when the core strays there without one.
        if (f.expected.kind == ExpectedKind::Fails) {
            EXPECT_FALSE(f.expected.failures.empty()) << f.name;
        }
        if (f.expected.kind == ExpectedKind::Unnoticed ||
            f.expected.kind == ExpectedKind::IdleNoVerdict) {
            EXPECT_TRUE(f.expected.failures.empty()) << f.name;
        }
    }
}

} // namespace
} // namespace coretest
