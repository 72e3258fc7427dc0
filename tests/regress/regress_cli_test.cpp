// coretest regress as a user runs it: bad input is one line and exit 2 before anything runs;
// random images through the reference core's trace (a simulation command that prints the
// display stores) pass, a core fault makes seeds fail at a checkpoint, and each failing seed's
// reproduce line makes the same image and shows the same failing word.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "support/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using coretest_test::readAll;
using coretest_test::ScratchFolder;
using coretest_test::shell;

const std::string kCli = CORETEST_CLI_PATH;

struct ToolRun {
    int status = -1;
    std::string out, err;
};

// Runs the tool in `dir` (its current folder) with the arguments as the shell reads them.
ToolRun runIn(const fs::path& dir, const std::string& args) {
    ToolRun r;
    r.status = shell("cd '" + dir.string() + "' && " + kCli + " " + args +
                     " >out.txt 2>err.txt </dev/null");
    r.out = readAll(dir / "out.txt");
    r.err = readAll(dir / "err.txt");
    return r;
}

// The word a failing checkpoint k shows: (k << 24) | (k - 1), as the JSON report writes it.
std::string failWord(unsigned k) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", (k << 24) | (k - 1));
    return text;
}

std::size_t lineCount(const std::string& s) {
    return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n'));
}

TEST(RegressCli, BadInputIsOneLineAndNothingRuns) {
    const ScratchFolder dir("regress-cli-bad");
    fs::create_directory(dir.path() / "build"); // where a default work folder would go
    const std::string sim = " --sim 'touch ran; echo {rom}'";
    const struct {
        std::string args, message;
    } cases[] = {
        {"--seeds 9-3" + sim, "--seeds '9-3': the range 9-3 ends below its start"},
        {"--seeds 1,,2" + sim, "--seeds '1,,2': '' is not a seed"},
        {"--seeds x" + sim, "'x' is not a seed"},
        {"--seeds 1-3,2" + sim, "seed 2 is given twice"},
        {"--seeds 1-5 -j 0" + sim, "-j 0: run 1 to 256 jobs at a time"},
        {"--seeds 1-5 -j 257" + sim, "-j 257: run 1 to 256 jobs at a time"},
        {"--seeds 1-5 --sim 'vsim -c top'", "names no image; put {rom}"},
        {"--seeds 1-5 --json /nonexistent/r.json" + sim,
         "--json '/nonexistent/r.json': cannot be written"},
        {"--seeds 1-5 --junit ." + sim, "--junit '.': cannot be written"},
        {"--seeds 1-5 --timeout -1" + sim, "--timeout '-1': expected seconds"},
        {"--seeds 1-5 --timeout soon" + sim, "--timeout 'soon': expected seconds"},
        {"--seeds 1-5 --work /proc/regress" + sim, "--work '/proc/regress': not a folder"},
        {"--seeds 1-5 --instructions 0" + sim, "--instructions 0"},
        {"--seeds 1-5", "--sim is required"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const ToolRun r = runIn(dir.path(), "regress " + c.args);
        EXPECT_EQ(r.status, 2) << r.out << r.err;
        EXPECT_EQ(lineCount(r.err), 1u) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(fs::exists(dir.path() / "ran"));
        EXPECT_TRUE(fs::is_empty(dir.path() / "build"));
    }
}

// The reference core's trace as the simulation command: its display stores are read like a
// simulator's display lines.
std::string traceSim(const std::string& fault) {
    return "--sim '" + kCli + " trace {rom}" + (fault.empty() ? "" : " --fault " + fault) + "'";
}

TEST(RegressCli, PassingSeedsLeaveNothingBehind) {
    const ScratchFolder dir("regress-cli-pass");
    fs::create_directory(dir.path() / "build");
    const ToolRun r = runIn(dir.path(), "regress --seeds 1-3,10 --instructions 300 -j 2 " +
                                            traceSim("") + " --json r.json --junit r.xml");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("coretest regress: 4 seeds, 2 at a time, work folder " +
                         (dir.path() / "build" / "regress-").string()),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\n4 seeds: 4 passed; "), std::string::npos) << r.out;
    EXPECT_EQ(lineCount(r.out), 2u) << r.out;        // no progress bar off a terminal
    EXPECT_TRUE(fs::is_empty(dir.path() / "build")); // the default work folder went
    const auto doc = nlohmann::json::parse(readAll(dir.path() / "r.json"));
    EXPECT_EQ(doc.at("passed"), 4);
    std::vector<std::uint64_t> seeds;
    for (const auto& result : doc.at("results")) {
        seeds.push_back(result.at("seed").get<std::uint64_t>());
        EXPECT_EQ(result.at("verdict"), "pass");
        const unsigned n = result.at("checkpoints").get<unsigned>();
        EXPECT_EQ(n, 3u); // 300 instructions, a checkpoint every 100
        EXPECT_EQ(result.at("display"), "03000003");
    }
    EXPECT_EQ(seeds, (std::vector<std::uint64_t>{1, 2, 3, 10}));
    const std::string xml = readAll(dir.path() / "r.xml");
    EXPECT_NE(xml.find("tests=\"4\" failures=\"0\" errors=\"0\" skipped=\"0\""), std::string::npos)
        << xml;
}

TEST(RegressCli, AFaultFailsCheckpointsAndTheReproduceLineShowsTheSame) {
    const ScratchFolder dir("regress-cli-fail");
    const ToolRun r = runIn(dir.path(), "regress --seeds 1-4 --instructions 300 --loops 2 -j 2 "
                                        "--keep-going --work w --json r.json " +
                                            traceSim("alu-swaps-rs-rt"));
    ASSERT_EQ(r.status, 1) << r.out << r.err;
    const auto doc = nlohmann::json::parse(readAll(dir.path() / "r.json"));
    EXPECT_EQ(doc.at("failed").get<int>() + doc.at("passed").get<int>(), 4) << r.out;
    ASSERT_GE(doc.at("failed").get<int>(), 1) << r.out;
    for (const auto& result : doc.at("results")) {
        if (result.at("verdict") != "FAIL") continue;
        const auto seed = result.at("seed").get<std::uint64_t>();
        const auto k = result.at("checkpoint").get<unsigned>();
        SCOPED_TRACE("seed " + std::to_string(seed));
        const std::string word = result.at("display").get<std::string>();
        EXPECT_EQ(word, failWord(k));
        EXPECT_NE(result.at("place").get<std::string>().find("block n" + std::to_string(k) +
                                                             "_checkpoint_test at 0xbfc"),
                  std::string::npos)
            << result.at("place");
        const fs::path kept = result.at("image").get<std::string>();
        EXPECT_EQ(kept, fs::absolute(dir.path() / "w" / ("seed-" + std::to_string(seed) + ".elf")));
        EXPECT_TRUE(fs::exists(result.at("output").get<std::string>()));
        EXPECT_TRUE(fs::exists(fs::path(kept).replace_extension(".lst")));
        EXPECT_NE(r.out.find("seed " + std::to_string(seed) + ": FAIL at checkpoint " +
                             std::to_string(k) + " of 3"),
                  std::string::npos)
            << r.out;
        // The reproduce line, run in a folder of its own, makes the same image and the same
        // failing display store.
        const ScratchFolder again("regress-cli-again");
        const std::string reproduce = result.at("reproduce").get<std::string>();
        EXPECT_NE(reproduce.find(" random --seed " + std::to_string(seed) +
                                 " --instructions 300 --loops 2 -o seed-" + std::to_string(seed) +
                                 ".elf && "),
                  std::string::npos)
            << reproduce;
        shell("cd '" + again.path().string() + "' && { " + reproduce + "; } >sim.txt 2>&1");
        EXPECT_EQ(readAll(again.path() / ("seed-" + std::to_string(seed) + ".elf")), readAll(kept));
        EXPECT_NE(readAll(again.path() / "sim.txt").find(" m fffff010 " + word), std::string::npos);
    }
}

// Whether a process has ended (gone, or a zombie waiting for its parent).
bool ended(const std::string& pid) {
    const std::string stat = readAll("/proc/" + pid + "/stat");
    const auto close = stat.rfind(')');
    return stat.empty() ||
           (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z');
}

// SIGTERM (as Ctrl-C's SIGINT) stops the regression: the running commands' groups are killed,
// the report says so, the exit status is 1.
TEST(RegressCli, AStopRequestKillsTheRunningCommands) {
    const ScratchFolder dir("regress-cli-stop");
    const std::string d = dir.path().string();
    shell("cd '" + d + "' && (" + kCli +
          " regress --seeds 1-3 -j 2 --instructions 100 --work w --json r.json --sim 'echo {rom} "
          ">/dev/null; echo $$ >pid-{seed}; exec sleep 60' >out.txt 2>err.txt </dev/null & echo "
          "$! >tool.pid; wait $!; echo $? >status) >/dev/null 2>&1 &");
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!(fs::exists(dir.path() / "pid-1") && fs::exists(dir.path() / "pid-2")) &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the pid files are written
    const std::string tool = readAll(dir.path() / "tool.pid");
    ASSERT_FALSE(tool.empty());
    ASSERT_EQ(shell("kill -TERM " + tool), 0);
    while (!fs::exists(dir.path() / "status") && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(readAll(dir.path() / "status"), "1\n");
    const std::string out = readAll(dir.path() / "out.txt");
    EXPECT_NE(out.find("3 seeds: 0 passed, 3 not run;"), std::string::npos) << out;
    EXPECT_NE(out.find("interrupted: the running commands were killed"), std::string::npos) << out;
    for (const char* name : {"pid-1", "pid-2"}) {
        std::string pid = readAll(dir.path() / name);
        pid = pid.substr(0, pid.find('\n'));
        EXPECT_TRUE(ended(pid)) << name << " " << pid;
    }
    EXPECT_FALSE(fs::exists(dir.path() / "pid-3"));
    const auto doc = nlohmann::json::parse(readAll(dir.path() / "r.json"));
    EXPECT_EQ(doc.at("interrupted"), true);
    EXPECT_EQ(doc.at("not_run"), 3);
}

} // namespace
