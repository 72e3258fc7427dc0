// Our core in Verilator with the live checker (coretest_cosim_sim): the correct core runs to the
// pass verdict without a divergence; with a bug knob on, the checker stops at the case where the
// reference core with the matching catalogue fault first fails.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "coretest/catalogue.h"
#include "coretest/fault.h"
#include "coretest/outcomes.h"
#include "coretest/routine_reports.h"
#include "support/scratch_folder.h"

namespace coretest::cosim_test {
namespace {

#ifdef CORETEST_COSIM_SIM_PATH

struct SimResult {
    int status = 0;
    std::string out;
};

SimResult simulate(const std::string& plusargs) {
    const coretest_test::ScratchFolder dir("coretest-cosim-sim");
    const auto out = dir.path() / "out";
    const std::string cmd =
        fmt::format("cd '{}' && '{}' +rom='{}' +cosim_elf='{}' +switch=1 {} >'{}' 2>&1 </dev/null",
                    dir.path().string(), CORETEST_COSIM_SIM_PATH, CORETEST_HDL_ROM_PATH,
                    CORETEST_ROM_PATH, plusargs, out.string());
    SimResult r;
    r.status = std::system(cmd.c_str());
    r.out = coretest_test::readAll(out);
    return r;
}

TEST(CoreWithChecker, TheCorrectCoreAgreesToTheEndMarkWithThePassVerdict) {
    const SimResult r = simulate("");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("instructions checked up to the end mark, no divergence"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("coretest cosim: verdict: pass, 58 of 58 routines passed"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("divergence at"), std::string::npos) << r.out;
}

struct Knob {
    const char* name;  // of hdl/core/bug_knobs.md
    const char* fault; // the matching reference-core catalogue fault
};

class KnobStopsAtItsCase : public testing::TestWithParam<Knob> {};

TEST_P(KnobStopsAtItsCase, WhereTheMatchingCatalogueFaultFirstFails) {
    const Image image = Image::load(CORETEST_ROM_PATH);
    const RomMap map = RomMap::load(image);
    RunOptions options;
    options.switchValue = 1;
    options.faults = {parseFaultSelection(GetParam().fault)};
    const Observed predicted = observe(diagnose(image, map, options));
    ASSERT_FALSE(predicted.failures.empty()) << GetParam().fault;
    const ObservedFailure& first = predicted.failures.front();

    const SimResult r = simulate(fmt::format("+bug={}", GetParam().name));
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(fmt::format("coretest cosim: first divergence at instruction")),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(fmt::format("\n  case {} of {} (", first.caseIndex, first.routine)),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(fmt::format("diverged in 1 routine: {} 1", first.routine)),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("verdict: none, the simulation stopped at the divergence"),
              std::string::npos)
        << r.out;
}

INSTANTIATE_TEST_SUITE_P(Knobs, KnobStopsAtItsCase,
                         testing::Values(Knob{"slt-unsigned", "slt-slti-compare-unsigned"},
                                         Knob{"div-remainder-sign",
                                              "div-remainder-sign-of-quotient"},
                                         Knob{"mtlo-mthi-read-rt", "mthi-mtlo-read-rt"}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::erase(name, '-');
                             return name;
                         });

#else

TEST(CoreWithChecker, NeedsTheVerilatorModel) {
    GTEST_SKIP() << "this build has no coretest_cosim_sim (Verilator not found)";
}

#endif

} // namespace
} // namespace coretest::cosim_test
