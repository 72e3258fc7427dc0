// The monitor's summary counts the routines of the image it watches: the first ROM's line stays
// as it always was, the second ROM's counts its 24 routines, +routines=N names another count,
// +checkpoints=N a random program's, and a bad count stops the run with one error line.
#include <gtest/gtest.h>

#include "hdl/hdl_support.h"

namespace coretest_test {
namespace {

const std::string kKit = CORETEST_SOURCE_DIR "/hdl/kit/";
const std::string kTests = CORETEST_SOURCE_DIR "/tests/hdl/";

struct SummaryCase {
    const char* name;
    const char* plusargs;
    const char* line; // the monitor's line, up to the cycle count
};

const SummaryCase kSummaryCases[] = {
    {"first_rom", "+words=1",
     "coretest: PASS: verdict pass, 58 of 58 routines passed, display 0x3a00003a, "},
    {"second_rom", "+words=2",
     "coretest: PASS: verdict pass, 24 of 24 routines passed, display 0x52000018, "},
    {"second_rom_exception", "+words=3",
     "coretest: FAIL: verdict fail, 18 of 24 routines passed, display 0x4d000012, "},
    {"no_rom_first", "+words=4",
     "coretest: PASS: verdict pass, 58 of 58 routines passed, display 0x3a00003a, "},
    {"named_count", "+words=2 +routines=30",
     "coretest: PASS: verdict pass, 24 of 30 routines passed, display 0x52000018, "},
    {"bad_count", "+words=2 +routines=0",
     "coretest: ERROR +routines takes a routine count from 1 to 255, not '0'"},
    {"not_a_count", "+words=1 +routines=24x",
     "coretest: ERROR +routines takes a routine count from 1 to 255, not '24x'"},
    {"checkpoints", "+words=1 +checkpoints=60",
     "coretest: PASS: verdict pass, 58 of 60 checkpoints passed, display 0x3a00003a, "},
    {"bad_checkpoints", "+words=1 +checkpoints=256",
     "coretest: ERROR +checkpoints takes a checkpoint count from 1 to 255, not '256'"},
    {"both_counts", "+words=1 +checkpoints=10 +routines=10",
     "coretest: ERROR +routines and +checkpoints name two kinds of image: give one"},
};

class MonitorCount : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(MonitorCount, TheSummaryCountsTheImagesRoutines) {
    const SummaryCase& c = GetParam();
    const ScratchFolder dir("coretest-monitor");
    const std::string vvp = (dir.path() / "monitor.vvp").string();
    const CliResult compiled = runCommand(
        std::string(CORETEST_IVERILOG) + " -g2012 -s monitor_count_tb -o " + vvp + " " + kKit +
        "coretest_pkg.sv " + kKit + "coretest_monitor.sv " + kTests + "monitor_count_tb.sv");
    ASSERT_EQ(compiled.status, 0) << compiled.err;
    EXPECT_TRUE(compiled.err.empty()) << compiled.err;
    const CliResult run = runCommand(std::string(CORETEST_VVP) + " -n " + vvp + " " + c.plusargs);
    const auto lines = capturesOf(run.out, "(coretest: [^\n]*)");
    ASSERT_EQ(lines.size(), 1u) << run.out;
    EXPECT_EQ(lines[0].rfind(c.line, 0), 0u) << lines[0];
}

INSTANTIATE_TEST_SUITE_P(Runs, MonitorCount, ::testing::ValuesIn(kSummaryCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace coretest_test
