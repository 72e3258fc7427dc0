// A random program in the kit's scripts as the ROM runs there: scripts/sim-core.sh --rom FILE.elf
// exports the image, names its checkpoints on the board and in the summary, compares the trace
// against the image, and lets several images share one work folder and its build at once, as
// `coretest regress -j N` runs them.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "hdl/hdl_support.h"

namespace coretest_test {
namespace {

namespace fs = std::filesystem;

const std::string kCli = CORETEST_CLI_PATH;

// Our core in Icarus through the generic script, in a work folder of the test's own.
std::string simCore(const fs::path& work, const std::string& rest) {
    return CORETEST_SOURCE_DIR
           "/scripts/sim-core.sh icarus --top coretest_tb -f " CORETEST_HDL_BINARY_DIR
           "/coretest_core.f --build " CORETEST_BINARY_DIR " --work '" +
           work.string() + "' " + rest;
}

fs::path randomImage(const ScratchFolder& dir, int seed) {
    const fs::path elf = dir.path() / ("r" + std::to_string(seed) + ".elf");
    const CliResult made = runCommand(kCli + " random --seed " + std::to_string(seed) +
                                      " --instructions 1000 -o '" + elf.string() + "'");
    EXPECT_EQ(made.status, 0) << made.err;
    return elf;
}

TEST(RandomImageInTheKit, PassesWithItsCheckpointsNamedAndTheTraceAgreeing) {
    const ScratchFolder dir("coretest-random-kit");
    const fs::path elf = randomImage(dir, 5);
    const fs::path work = dir.path() / "work";
    const CliResult run = runCommand(simCore(work, "--rom '" + elf.string() + "'"));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    // 1000 instructions, a checkpoint every 100: after the boot's clear, the board reports
    // checkpoints 1 to 10, and the pass reports the last again.
    const std::vector<std::string> checkpoints = {"0", "1", "2", "3", "4",  "5",
                                                  "6", "7", "8", "9", "10", "10"};
    EXPECT_EQ(capturesOf(run.out, "display 0x[0-9a-f]{8}: checkpoint (\\d+), \\d+ passed"),
              checkpoints)
        << run.out;
    EXPECT_NE(run.out.find("verdict: pass, 10 of 10 checkpoints passed"), std::string::npos)
        << run.out;
    // The trace, the run's log and the export are named after the image, and the trace is
    // compared against the image, not the ROM.
    for (const char* file : {"r5.trace", "r5.log", "r5.hex"})
        EXPECT_TRUE(fs::exists(work / file)) << file;
    EXPECT_NE(run.out.find("against the reference core on " + elf.string()), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("the traces agree"), std::string::npos) << run.out;
}

TEST(RandomImageInTheKit, ABugKnobFailsACheckpointAndTheCompareNamesTheBlock) {
    const ScratchFolder dir("coretest-random-kit-knob");
    const fs::path elf = randomImage(dir, 5);
    const CliResult run = runCommand(
        simCore(dir.path() / "work", "--rom '" + elf.string() + "' --plusarg +bug=sra-zero-fill"));
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    const auto failed =
        capturesOf(run.out, "coretest: FAIL: verdict fail, (\\d+) of 10 checkpoints");
    ASSERT_EQ(failed.size(), 1u) << run.out;
    EXPECT_LT(std::stoi(failed[0]), 10);
    // compare names the random block (n<k>_checkpoint_test) of the first wrong write.
    EXPECT_EQ(capturesOf(run.out, "(n\\d+_checkpoint_test) \\(r5\\.lst\\)").empty(), false)
        << run.out;
}

// Four seeds, two at a time, one work folder: the build is shared and each run keeps its files.
TEST(RandomImageInTheKit, RegressRunsSeedsInParallelThroughTheScript) {
    const ScratchFolder dir("coretest-random-kit-regress");
    const fs::path work = dir.path() / "sim";
    const CliResult run =
        runCommand("cd '" + dir.path().string() + "' && " + kCli +
                   " regress --seeds 1-4 --instructions 1000 -j 2 --timeout 300 --json r.json "
                   "--sim \"" +
                   simCore(work, "--rom {rom}") + "\"");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const auto doc = nlohmann::json::parse(readAll(dir.path() / "r.json"));
    EXPECT_EQ(doc.at("passed"), 4);
    for (const auto& r : doc.at("results")) {
        EXPECT_EQ(r.at("verdict"), "pass") << r.dump();
        EXPECT_EQ(r.at("display"), "0a00000a") << r.dump();
    }
    for (int seed = 1; seed <= 4; ++seed) {
        const std::string log = readAll(work / ("seed-" + std::to_string(seed) + ".log"));
        EXPECT_NE(log.find("coretest: PASS: verdict pass, 10 of 10 checkpoints passed"),
                  std::string::npos)
            << seed << "\n"
            << log;
    }
}

} // namespace
} // namespace coretest_test
