// Our core's sources as both simulators read them: Verilator's -Wall lint has nothing to say,
// Icarus Verilog compiles them without a warning or a "sorry", the retirement assertions of
// the writeback stage fire in Icarus on exactly the faults they guard, and coprocessor 0 alone
// does what mtc0, rfe and exception entry should.
#include <gtest/gtest.h>

#include <filesystem>

#include "hdl/hdl_support.h"

namespace coretest_test {
namespace {

const std::filesystem::path kHdl = CORETEST_SOURCE_DIR "/hdl";

// The kit's package, the core's package, then every other source of the core.
std::string coreSources() {
    std::vector<std::string> stages;
    for (const auto& entry : std::filesystem::directory_iterator(kHdl / "core"))
        if (entry.path().extension() == ".sv" && entry.path().filename() != "mips_pkg.sv")
            stages.push_back(entry.path().string());
    std::sort(stages.begin(), stages.end());
    std::string list =
        (kHdl / "kit/coretest_pkg.sv").string() + " " + (kHdl / "core/mips_pkg.sv").string();
    for (const auto& s : stages)
        list += " " + s;
    return list;
}

std::string kitSources() {
    std::string list;
    for (const char* name : {"coretest_wait_states.sv", "coretest_board.sv", "coretest_tracer.sv",
                             "coretest_monitor.sv", "coretest_shadow_pipeline.sv"})
        list += " " + (kHdl / "kit" / name).string();
    return list;
}

bool haveVerilator() {
    return runCommand("verilator --version").status == 0;
}

TEST(RtlBuild, VerilatorLintOfTheCoreAndTestbenchIsClean) {
    if (!haveVerilator()) GTEST_SKIP() << "verilator is not on the PATH";
    const struct {
        const char* top;
        std::string sources;
    } cases[] = {
        {"mips_core", coreSources()},
        {"coretest_tb", coreSources() + kitSources() + " " + (kHdl / "tb/coretest_tb.sv").string()},
        {"coretest_tb", "-DCORETEST_BUG_KNOBS " + coreSources() + kitSources() + " " +
                            (kHdl / "tb/coretest_tb.sv").string()},
        {"coretest_tb", "-DCORETEST_BUG_KNOBS -DCORETEST_CORE=mips_core_wrapped " + coreSources() +
                            kitSources() + " " + (kHdl / "tb/mips_core_wrapped.sv").string() + " " +
                            (kHdl / "tb/coretest_tb.sv").string()},
    };
    for (const auto& c : cases) {
        const CliResult lint = runCommand(
            std::string("verilator --lint-only -Wall --assert -I") + CORETEST_HDL_BINARY_DIR +
            " -I" + (kHdl / "kit").string() + " --top-module " + c.top + " " + c.sources);
        EXPECT_EQ(lint.status, 0) << c.top << "\n" << lint.err;
        EXPECT_EQ(lint.out + lint.err, "") << c.top;
    }
}

// The template top with our core wrapped from outside (the shadow pipeline and hierarchical taps).
TEST(RtlBuild, IcarusCompilesTheWrappedCoreInTheTemplateWithoutWarningsOrSorry) {
    const ScratchFolder dir("coretest-rtl-icarus-wrapped");
    const CliResult compiled = runCommand(
        std::string(CORETEST_IVERILOG) + " -g2012 -Wall -I" CORETEST_HDL_BINARY_DIR " -I" +
        (kHdl / "kit").string() +
        " -DCORETEST_BUG_KNOBS -DCORETEST_CORE=mips_core_wrapped -s coretest_tb -o " +
        (dir.path() / "tb.vvp").string() + " " + coreSources() + kitSources() + " " +
        (kHdl / "tb/mips_core_wrapped.sv").string() + " " + (kHdl / "tb/coretest_tb.sv").string());
    EXPECT_EQ(compiled.status, 0) << compiled.err;
    EXPECT_EQ(capturesOf(compiled.out + compiled.err, "((?:warning|sorry)[^\n]*)"),
              std::vector<std::string>{});
}

TEST(RtlBuild, IcarusCompilesTheCoreWithoutWarningsOrSorry) {
    const ScratchFolder dir("coretest-rtl-icarus");
    const CliResult compiled =
        runCommand(std::string(CORETEST_IVERILOG) + " -g2012 -Wall -s mips_core -o " +
                   (dir.path() / "core.vvp").string() + " " + coreSources());
    EXPECT_EQ(compiled.status, 0) << compiled.err;
    EXPECT_EQ(compiled.out + compiled.err, "");
}

struct AssertCase {
    const char* scenario;
    const char* error; // the assertion's message, or "" when none may fire
};

const AssertCase kAssertCases[] = {
    {"clean", ""},
    {"skip", "retirement of @3 after @1"},
    {"r0", "@2 writes r0 (trap 0)"},
    {"trap", "@2 writes r4 (trap 1)"},
    {"nocode", "@2 trap 1 with exception code 0"},
    {"epc", "@2 at bfc00008 with EPC bfc00000 (BD 1)"},
};

class WbAssertTest : public ::testing::TestWithParam<AssertCase> {};

TEST_P(WbAssertTest, FiresOnTheFaultItGuards) {
    const AssertCase& c = GetParam();
    const ScratchFolder dir("coretest-wb-assert");
    const std::string vvp = (dir.path() / "wb.vvp").string();
    const CliResult compiled = runCommand(
        std::string(CORETEST_IVERILOG) + " -g2012 -s wb_assert_tb -o " + vvp + " " +
        (kHdl / "kit/coretest_pkg.sv").string() + " " + (kHdl / "core/mips_pkg.sv").string() + " " +
        (kHdl / "core/mips_wb_stage.sv").string() +
        " " CORETEST_SOURCE_DIR "/tests/hdl/wb_assert_tb.sv");
    ASSERT_EQ(compiled.status, 0) << compiled.err;
    const CliResult run =
        runCommand(std::string(CORETEST_VVP) + " -n " + vvp + " +scenario=" + c.scenario);
    EXPECT_NE(run.out.find("wb_assert_tb: done"), std::string::npos) << run.out;
    const auto errors = capturesOf(run.out, "ERROR: [^\n]*mips_wb_stage\\.sv:\\d+: ([^\n]*)");
    if (*c.error == '\0')
        EXPECT_TRUE(errors.empty()) << run.out;
    else
        EXPECT_EQ(errors, std::vector<std::string>{c.error}) << run.out;
}

// mips_cp0 through a script (tests/hdl/cp0_script_tb.sv): the writable bits of Status and Cause,
// EPC and BadVAddr read-only to mtc0, entry setting Cause (code, CE, BD, the software bits kept),
// EPC, BadVAddr only for an address error and pushing the KU/IE stack (or not, as MEM says), rfe
// popping it and keeping the old pair, BEV choosing the vector; the rfe-no-pop knob.
TEST(Cp0, ScriptGivesTheR3000Registers) {
    const ScratchFolder dir("coretest-cp0");
    const std::string vvp = (dir.path() / "cp0.vvp").string();
    const CliResult compiled = runCommand(
        std::string(CORETEST_IVERILOG) + " -g2012 -Wall -s cp0_script_tb -o " + vvp + " " +
        (kHdl / "kit/coretest_pkg.sv").string() + " " + (kHdl / "core/mips_pkg.sv").string() + " " +
        (kHdl / "core/mips_cp0.sv").string() +
        " " CORETEST_SOURCE_DIR "/tests/hdl/cp0_script_tb.sv");
    ASSERT_EQ(compiled.status, 0) << compiled.err;
    EXPECT_EQ(compiled.out + compiled.err, "");
    // step, Status, Cause, EPC, BadVAddr, vector
    const std::vector<std::string> expected = {
        "reset 00400000 00000000 00000000 00000000 bfc00380",
        "mtc0-12 f040ff3f 00000000 00000000 00000000 bfc00380",
        "mtc0-13 f040ff3f 00000300 00000000 00000000 bfc00380",
        "mtc0-14 f040ff3f 00000300 00000000 00000000 bfc00380",
        "mtc0-8 f040ff3f 00000300 00000000 00000000 bfc00380",
        "mtc0-12 00400025 00000300 00000000 00000000 bfc00380",
        "enter-5 00400014 80000314 bfc01000 80000003 bfc00380",
        "enter-11 00400010 3000032c bfc02000 80000003 bfc00380",
        "rfe 00400014 3000032c bfc02000 80000003 bfc00380",
        "rfe 00400015 3000032c bfc02000 80000003 bfc00380",
        "mtc0-12 00000000 3000032c bfc02000 80000003 80000080",
        "enter-12 00000000 00000330 80000100 80000003 80000080",
        "cp0_script_tb: done",
    };
    const CliResult run = runCommand(std::string(CORETEST_VVP) + " -n " + vvp);
    EXPECT_EQ(capturesOf(run.out, "([^\n]+)"), expected) << run.out;
    const CliResult noPop = runCommand(std::string(CORETEST_VVP) + " -n " + vvp + " +rfe_no_pop");
    EXPECT_EQ(capturesOf(noPop.out, "(rfe [^\n]+)"),
              (std::vector<std::string>{"rfe 00400010 3000032c bfc02000 80000003 bfc00380",
                                        "rfe 00400010 3000032c bfc02000 80000003 bfc00380"}))
        << noPop.out;
}

INSTANTIATE_TEST_SUITE_P(Scenarios, WbAssertTest, ::testing::ValuesIn(kAssertCases),
                         [](const auto& info) { return std::string(info.param.scenario); });

} // namespace
} // namespace coretest_test
