// coretest regress with our RTL core: the Verilator model of the template top (coretest_sim)
// takes each seed's $readmemh export directly, which is much faster than the kit's scripts.
// Twenty seeds pass; a bug knob makes seeds fail at a checkpoint, named in the report.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

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

} // namespace
