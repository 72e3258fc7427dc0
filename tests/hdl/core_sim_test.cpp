// Our core in the template top: the ROM passes in Verilator and in Icarus Verilog (through
// scripts/sim-core.sh) with a trace that `coretest compare` accepts, each bug knob fails the ROM
// where the reference core with the matching catalogue fault does, and the Verilator model's exit
// status follows the summary (0 pass, 1 fail, 2 bad input).
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>

#include "hdl/hdl_support.h"

namespace coretest_test {
namespace {

const std::string kHex = CORETEST_HDL_BINARY_DIR "/coretest.hex";
const std::string kCli = CORETEST_CLI_PATH;

std::string verilatorRun(const std::string& plusargs) {
    return std::string(CORETEST_SIM_PATH) + " +rom=" + kHex + " +switch=1 +max_cycles=2000000 " +
           plusargs;
}

// The ROM passes and the trace agrees with the reference core, record by record.
void expectPassAndAgreement(const std::string& command, const ScratchFolder& dir) {
    const std::string trace = (dir.path() / "core.trace").string();
    const CliResult run = runCommand(command + " +trace=" + trace);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(capturesOf(run.out, "(coretest: PASS: verdict pass, 58 of 58 routines passed)"),
              std::vector<std::string>{"coretest: PASS: verdict pass, 58 of 58 routines passed"})
        << run.out;
    EXPECT_EQ(capturesOf(run.out, "(?:^|\n)display (0x[0-9a-f]{8}):").size(), 59u); // boot, then 58
    const CliResult compare = runCommand(kCli + " compare " + trace);
    EXPECT_EQ(compare.status, 0) << compare.out << compare.err;
    EXPECT_NE(compare.out.find("the traces agree"), std::string::npos) << compare.out;
}

TEST(CoreSim, VerilatorPassesWithAnAgreeingTrace) {
    const ScratchFolder dir("coretest-verilator");
    expectPassAndAgreement(verilatorRun(""), dir);
}

// In Icarus through the generic script, from the file list the build writes for our core.
TEST(CoreSim, IcarusPassesWithAnAgreeingTrace) {
    const ScratchFolder dir("coretest-icarus");
    const CliResult run = runCommand(
        CORETEST_SOURCE_DIR "/scripts/sim-core.sh icarus --top coretest_tb -f " CORETEST_HDL_BINARY_DIR
        "/coretest_core.f --build " CORETEST_BINARY_DIR " --work " + (dir.path() / "work").string() +
        " --trace " + (dir.path() / "core.trace").string());
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(capturesOf(run.out, "(coretest: PASS: verdict pass, 58 of 58 routines passed)"),
              std::vector<std::string>{"coretest: PASS: verdict pass, 58 of 58 routines passed"})
        << run.out;
    EXPECT_EQ(capturesOf(run.out, "(?:^|\n)display (0x[0-9a-f]{8}):").size(), 59u);
    EXPECT_NE(run.out.find("the traces agree"), std::string::npos) << run.out;
}

TEST(CoreSim, BadInputEndsWithAnErrorLine) {
    const struct {
        const char* plusargs;
        const char* error;
    } cases[] = {
        {"+rom=/nonexistent/rom.hex",
         "coretest: ERROR cannot read the ROM file /nonexistent/rom.hex"},
        {"+bug=slt-unsigned,no-such-knob", "coretest: ERROR unknown bug knob 'no-such-knob'"},
        {"+bug=", "coretest: ERROR an empty bug knob name in +bug="},
        {"+bug=slt-unsigned,,sra-zero-fill", "coretest: ERROR an empty bug knob name"},
        {"+trace=/nonexistent/core.trace", "coretest: ERROR cannot write the trace file"},
    };
    for (const auto& c : cases) {
        const CliResult run =
            runCommand(std::string(CORETEST_SIM_PATH) + " " + c.plusargs + " +rom=" + kHex);
        EXPECT_NE(run.out.find(c.error), std::string::npos) << c.plusargs << "\n" << run.out;
        EXPECT_EQ(run.out.find("coretest: PASS"), std::string::npos) << run.out;
        EXPECT_EQ(run.status, 2) << c.plusargs << "\n" << run.out;
    }
}

// One row of the core's knob table: | bit | `knob` | what it does | `catalogue fault` |
struct Knob {
    std::string name;
    std::string fault;
};

std::vector<Knob> knobTable() {
    std::ifstream in(CORETEST_SOURCE_DIR "/hdl/core/bug_knobs.md");
    const std::regex row(R"(^\|\s*\d+\s*\|\s*`([^`]+)`\s*\|.*\|\s*`([^`]+)`\s*\|\s*$)");
    std::vector<Knob> knobs;
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (std::regex_match(line, m, row)) knobs.push_back({m[1], m[2]});
    return knobs;
}

TEST(BugKnobTable, ListsKnobs) {
    EXPECT_GE(knobTable().size(), 10u) << "hdl/core/bug_knobs.md lists too few knobs";
}

class BugKnobTest : public ::testing::TestWithParam<Knob> {};

// A core that loops over a report block writes the same word again and again, for as long as its
// run lasts; the two cores stop such a run at different limits, so runs of one word count once.
std::vector<std::string> withoutRepeats(std::vector<std::string> words) {
    words.erase(std::unique(words.begin(), words.end()), words.end());
    return words;
}

// The display writes (boot, then each routine's result word) and the verdict of both cores.
TEST_P(BugKnobTest, FailsWhereTheMatchingFaultFails) {
    const Knob& knob = GetParam();
    const CliResult ref =
        runCommand(kCli + " run --fault " + knob.fault + " --switch 1 --limit 1700000 --json");
    ASSERT_NE(ref.status, 2) << "knob " << knob.name << ": its fault " << knob.fault
                             << " is not in the reference core's catalogue: " << ref.err;
    const auto doc = nlohmann::json::parse(ref.out);
    std::vector<std::string> expected;
    for (const auto& boot : doc["boot"])
        if (boot["register"] == "DISPLAY_REG")
            expected.push_back(fmt::format("0x{:08x}", boot["value"].get<std::uint32_t>()));
    for (const auto& routine : doc["routines"])
        expected.push_back(fmt::format("0x{:08x}", routine["result_word"].get<std::uint32_t>()));

    const CliResult rtl = runCommand(verilatorRun("+bug=" + knob.name));
    EXPECT_EQ(withoutRepeats(capturesOf(rtl.out, "(?:^|\n)display (0x[0-9a-f]{8}):")),
              withoutRepeats(expected))
        << rtl.out;
    EXPECT_EQ(verdictOfSummary(rtl.out), doc["verdict"].get<std::string>()) << rtl.out;
    EXPECT_EQ(rtl.status, doc["verdict"] == "pass" ? 0 : 1) << rtl.out;
}

INSTANTIATE_TEST_SUITE_P(Knobs, BugKnobTest, ::testing::ValuesIn(knobTable()),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
} // namespace coretest_test
