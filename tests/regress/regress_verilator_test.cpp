// coretest regress with our RTL core: the Verilator model of the template top (coretest_sim)
// takes each seed's $readmemh export directly, which is much faster than the kit's scripts.
// Twenty seeds pass; a bug knob makes seeds fail at a checkpoint, named in the report. Every
// knob of hdl/core/bug_knobs.md ends each seed with a verdict (a pass, or a failing checkpoint:
// never a hang, a bus error without a report or a run without a verdict), and the knobs that
// change what user code computes fail a checkpoint of some seed. Full-size images pass.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using coretest_test::readAll;
using coretest_test::ScratchFolder;
using coretest_test::shell;

// Built with the HDL where Verilator is found (hdl/CMakeLists.txt).
const fs::path kSim = fs::path(CORETEST_BINARY_DIR) / "hdl" / "coretest_sim";

int regress(const fs::path& dir, const std::string& args) {
    return shell("cd '" + dir.string() + "' && " + CORETEST_CLI_PATH + " regress " + args +
                 " >out.txt 2>err.txt </dev/null");
}

std::string simCommand(const std::string& plusargs) {
    return "--sim '" + kSim.string() + " +rom={hex} +switch=1 +max_cycles=2000000" + plusargs + "'";
}

TEST(RegressVerilator, TwentySeedsPassOnOurCore) {
    if (!fs::exists(kSim)) GTEST_SKIP() << "no Verilator model in this build: " << kSim;
    const ScratchFolder dir("regress-verilator");
    const int status = regress(dir.path(), "--seeds 1-20 --instructions 1000 -j 2 --timeout 60 "
                                           "--json r.json --junit r.xml " +
                                               simCommand(""));
    const std::string out = readAll(dir.path() / "out.txt");
    ASSERT_EQ(status, 0) << out << readAll(dir.path() / "err.txt");
    EXPECT_NE(out.find("\n20 seeds: 20 passed; "), std::string::npos) << out;
    const auto doc = nlohmann::json::parse(readAll(dir.path() / "r.json"));
    EXPECT_EQ(doc.at("seeds"), 20);
    EXPECT_EQ(doc.at("passed"), 20);
    ASSERT_EQ(doc.at("results").size(), 20u);
    for (const auto& r : doc.at("results")) {
        EXPECT_EQ(r.at("verdict"), "pass") << r.dump();
        EXPECT_EQ(r.at("checkpoints"), 10); // 1000 instructions, a checkpoint every 100
        EXPECT_EQ(r.at("display"), "0a00000a");
        EXPECT_EQ(r.at("exit_status"), 0);
    }
    const std::string xml = readAll(dir.path() / "r.xml");
    EXPECT_NE(xml.find("<testsuite name=\"coretest regress\" tests=\"20\" failures=\"0\" "
                       "errors=\"0\" skipped=\"0\""),
              std::string::npos)
        << xml;
}

TEST(RegressVerilator, ABugKnobFailsACheckpoint) {
    if (!fs::exists(kSim)) GTEST_SKIP() << "no Verilator model in this build: " << kSim;
    const ScratchFolder dir("regress-verilator-knob");
    const int status =
        regress(dir.path(), "--seeds 1-3 --instructions 1000 --keep-going --timeout 60 --work w "
                            "--json r.json " +
                                simCommand(" +bug=sra-zero-fill"));
    const std::string out = readAll(dir.path() / "out.txt");
    ASSERT_EQ(status, 1) << out << readAll(dir.path() / "err.txt");
    const auto doc = nlohmann::json::parse(readAll(dir.path() / "r.json"));
    EXPECT_EQ(doc.at("failed"), 3) << out;
    for (const auto& r : doc.at("results")) {
        const int k = r.at("checkpoint").get<int>();
        ASSERT_GE(k, 1);
        const std::string seed = std::to_string(r.at("seed").get<int>());
        EXPECT_NE(out.find("seed " + seed + ": FAIL at checkpoint " + std::to_string(k) + " of 10"),
                  std::string::npos)
            << out;
        EXPECT_NE(
            r.at("place").get<std::string>().find("n" + std::to_string(k) + "_checkpoint_test"),
            std::string::npos);
        // The board's own lines are in the kept output.
        EXPECT_NE(readAll(r.at("output").get<std::string>()).find("coretest: FAIL"),
                  std::string::npos);
    }
}

// The knobs hdl/core/bug_knobs.md lists, by name.
std::vector<std::string> knobNames() {
    static const std::regex row(R"(^\|\s*\d+\s*\|\s*`([a-z0-9-]+)`\s*\|.*)");
    std::vector<std::string> names;
    std::ifstream in(fs::path(CORETEST_SOURCE_DIR) / "hdl" / "core" / "bug_knobs.md");
    for (std::string line; std::getline(in, line);)
        if (std::smatch m; std::regex_match(line, m, row)) names.push_back(m[1]);
    return names;
}

// The knobs that change what user code computes or what an exception records (the programs'
// expected exceptions), each caught by one of the first three seeds at 3,000 instructions
// (bench/random_knob_bench.cpp counts them over 50 seeds at 20,000).
const std::set<std::string> kCaughtAtSmallSize = {"fwd-ex-ex",
                                                  "fwd-mem-ex",
                                                  "regfile-no-bypass",
                                                  "hilo-no-interlock",
                                                  "branch-annuls-slot",
                                                  "link-pc-plus-4",
                                                  "div-remainder-sign",
                                                  "mtlo-mthi-read-rt",
                                                  "sra-zero-fill",
                                                  "slt-unsigned",
                                                  "store-ignores-byte-enables",
                                                  "delay-slot-store-dropped",
                                                  "lui-low-half",
                                                  "lb-zero-extends",
                                                  "sh-wrong-lane",
                                                  "lwl-no-merge",
                                                  "epc-at-delay-slot",
                                                  "rfe-no-pop",
                                                  "syscall-break-swapped",
                                                  "status-not-pushed",
                                                  "badvaddr-aligned"};

TEST(RegressVerilator, EveryKnobEndsInAVerdictAndFailsACheckpointWhereItMatters) {
    if (!fs::exists(kSim)) GTEST_SKIP() << "no Verilator model in this build: " << kSim;
    const auto knobs = knobNames();
    ASSERT_GE(knobs.size(), 14u);
    for (const std::string& knob : knobs) {
        // no-load-interlock shows only where a loaded register is read at once: --interlocked.
        const bool interlocked = knob == "no-load-interlock";
        SCOPED_TRACE(knob);
        const ScratchFolder dir("regress-verilator-" + knob);
        const int status = regress(dir.path(), std::string("--seeds 1-3 --instructions 3000 ") +
                                                   (interlocked ? "--interlocked " : "") +
                                                   "--keep-going -j 2 --timeout 60 --json r.json " +
                                                   simCommand(" +bug=" + knob));
        const std::string out = readAll(dir.path() / "out.txt");
        ASSERT_TRUE(status == 0 || status == 1) << out << readAll(dir.path() / "err.txt");
        const auto doc = nlohmann::json::parse(readAll(dir.path() / "r.json"));
        for (const auto& r : doc.at("results")) {
            const std::string verdict = r.at("verdict");
            EXPECT_TRUE(verdict == "pass" || verdict == "FAIL") << r.dump();
            if (verdict == "FAIL") {
                const int k = r.at("checkpoint").get<int>();
                EXPECT_EQ(r.at("display"), fmt::format("{:02x}{:06x}", k, k - 1)) << r.dump();
            }
        }
        if (interlocked || kCaughtAtSmallSize.count(knob))
            EXPECT_GE(doc.at("failed").get<int>(), 1) << out;
    }
}

// Full-size images on our core (all fifty seeds of the proof, with their traces: the bench
// bench/random_proof_bench.cpp).
TEST(RegressVerilator, FiveFullSizeSeedsPassOnOurCore) {
    if (!fs::exists(kSim)) GTEST_SKIP() << "no Verilator model in this build: " << kSim;
    const ScratchFolder dir("regress-verilator-full");
    const int status =
        regress(dir.path(), "--seeds 1-5 -j 2 --timeout 120 --json r.json " + simCommand(""));
    const std::string out = readAll(dir.path() / "out.txt");
    ASSERT_EQ(status, 0) << out << readAll(dir.path() / "err.txt");
    const auto doc = nlohmann::json::parse(readAll(dir.path() / "r.json"));
    EXPECT_EQ(doc.at("passed"), 5);
    for (const auto& r : doc.at("results")) {
        EXPECT_EQ(r.at("checkpoints"), 200); // 20,000 instructions, a checkpoint every 100
        EXPECT_EQ(r.at("display"), "c80000c8");
    }
}

// Our core's commit trace of a full-size image agrees with the reference core's, record for
// record: every sub-word and unaligned store (swl/swr of 1 to 4 bytes), every HI/LO write.
TEST(RegressVerilator, FullSizeTracesAgreeWithTheReferenceCore) {
    if (!fs::exists(kSim)) GTEST_SKIP() << "no Verilator model in this build: " << kSim;
    const ScratchFolder dir("regress-verilator-trace");
    for (const int seed : {2, 11}) {
        const std::string elf = fmt::format("r{}.elf", seed);
        const std::string in = "cd '" + dir.path().string() + "' && ";
        ASSERT_EQ(shell(in + CORETEST_CLI_PATH + fmt::format(" random --seed {} -o ", seed) + elf +
                        " >/dev/null && " + CORETEST_CLI_PATH +
                        " export --format hex --size 524288 -o r.hex " + elf + " >/dev/null"),
                  0)
            << seed;
        ASSERT_EQ(shell(in + kSim.string() +
                        " +rom=r.hex +switch=1 +max_cycles=2000000 +trace=r.trace >sim.txt"),
                  0)
            << seed << readAll(dir.path() / "sim.txt");
        EXPECT_NE(readAll(dir.path() / "sim.txt").find("coretest: PASS: verdict pass"),
                  std::string::npos)
            << seed;
        const int status =
            shell(in + CORETEST_CLI_PATH + " compare r.trace " + elf + " >cmp.txt 2>&1");
        const std::string cmp = readAll(dir.path() / "cmp.txt");
        EXPECT_EQ(status, 0) << seed << "\n" << cmp;
        EXPECT_NE(cmp.find("the traces agree: "), std::string::npos) << seed << "\n" << cmp;
    }
}

} // namespace
