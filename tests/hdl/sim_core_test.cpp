// Any core through the template top and scripts/sim-core.sh: our core wrapped from outside
// (tb/mips_core_wrapped.sv, the kit's coretest_shadow_pipeline) gives the same trace, display
// words and verdict as with its own retirement port, under every bug knob, in Verilator with the
// live checker and in Icarus; the wrapper's core-specific part stays small; the scripts refuse
// bad input with one line and exit 2 before anything runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "hdl/hdl_support.h"

namespace coretest_test {
namespace {

const std::string kBuild = CORETEST_BINARY_DIR;
const std::string kHdlBin = CORETEST_HDL_BINARY_DIR;
const std::string kSource = CORETEST_SOURCE_DIR;
const std::string kHex = kHdlBin + "/coretest.hex";
const std::string kWrappedSim = kHdlBin + "/wrapped/Vcoretest_tb";

std::string simCore(const std::string& args) {
    return kSource + "/scripts/sim-core.sh " + args + " --build " + kBuild;
}

// The display writes and the monitor's summary line of a run.
struct Board {
    std::vector<std::string> displays;
    std::vector<std::string> summary;
};

Board boardOf(const std::string& out) {
    return {capturesOf(out, "(?:^|\n)(display 0x[0-9a-f]{8}):"),
            capturesOf(out, "(?:^|\n)(coretest: (?:PASS|FAIL)[^\n]*)")};
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The own port's trace as a core seen from outside can give it: the shadow pipeline does not see
// coprocessor 0, so its traps carry no exception and the tracer writes no `exc` line for them.
std::string withoutExceptionLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    for (std::string line; std::getline(in, line);)
        if (line.find(" exc ") == std::string::npos) text += line + "\n";
    return text;
}

// Our core with its own retirement port, in the CMake-built Verilator model.
CliResult ownPortRun(const std::string& plusargs, const std::string& trace) {
    return runCommand(std::string(CORETEST_SIM_PATH) + " +rom=" + kHex +
                      " +switch=1 +max_cycles=2000000 +trace=" + trace + " " + plusargs);
}

TEST(WrappedCore, CoreSpecificLinesStayWithinForty) {
    std::ifstream in(kSource + "/hdl/tb/mips_core_wrapped.sv");
    int begins = 0, ends = 0, inside = 0;
    bool within = false;
    for (std::string line; std::getline(in, line);) {
        if (line.find("---- core-specific: begin") != std::string::npos) {
            ++begins;
            within = true;
        } else if (line.find("---- core-specific: end") != std::string::npos) {
            ++ends;
            within = false;
        } else if (within) {
            ++inside;
        }
    }
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_GT(inside, 10) << "the markers no longer surround the core and its taps";
    EXPECT_LE(inside, 40) << "the wrapper's core-specific part grew past 40 lines";
}

// The model scripts/sim-core.sh built (verilator --cosim, the library's path and rpath).
TEST(WrappedCore, VerilatorWithTheCheckerPassesAndAgrees) {
    const ScratchFolder dir("coretest-wrapped-verilator");
    const std::string trace = (dir.path() / "core.trace").string();
    const CliResult run = runCommand(kWrappedSim + " +rom=" + kHex + " +switch=1 +trace=" + trace +
                                     " +cosim_elf=" CORETEST_ROM_PATH);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("coretest: PASS: verdict pass, 58 of 58 routines passed"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("instructions checked up to the end mark, no divergence"),
              std::string::npos)
        << run.out;
    const CliResult compare = runCommand(std::string(CORETEST_CLI_PATH) + " compare " + trace);
    EXPECT_EQ(compare.status, 0) << compare.out;
    EXPECT_NE(compare.out.find("the traces agree"), std::string::npos) << compare.out;
}

// Random wait states on both ports (+backpressure_seed) freeze the pipeline at any cycle: the
// shadow pipeline still follows it, stores completing while the other port waits included.
TEST(WrappedCore, WaitStatesGiveTheOwnPortsTrace) {
    const ScratchFolder dir("coretest-wrapped-waits");
    const char* cases[] = {"+backpressure_seed=7", "+backpressure_seed=12345",
                           "+backpressure_seed=99 +bug=div-remainder-sign",
                           "+backpressure_seed=3 +bug=mtlo-mthi-read-rt"};
    for (const char* plusargs : cases) {
        const std::string trace = (dir.path() / "wrapped.trace").string();
        const CliResult wrapped = runCommand(
            kWrappedSim + " +rom=" + kHex + " +switch=1 +max_cycles=2000000 +trace=" + trace +
            " +cosim_elf=" CORETEST_ROM_PATH " +cosim_keep_going " + plusargs);
        const std::string ownTrace = (dir.path() / "own.trace").string();
        const CliResult own = ownPortRun(plusargs, ownTrace);
        ASSERT_EQ(boardOf(own.out).summary.size(), 1u) << plusargs << "\n" << own.out;
        EXPECT_NE(own.out.find("backpressure: seed"), std::string::npos) << own.out;
        EXPECT_EQ(boardOf(wrapped.out).summary, boardOf(own.out).summary) << plusargs;
        EXPECT_EQ(wrapped.status, own.status) << plusargs << "\n" << wrapped.out;
        EXPECT_TRUE(fileText(trace) == withoutExceptionLines(ownTrace))
            << plusargs << ": the traces differ";
    }
}

// Our core through the generic script from its file list, in Icarus: the retirement port, then
// the wrapper with two knobs at once (a late divider result, a store that never happens), whose
// board and trace are those of the core's own port in Verilator.
TEST(WrappedCore, IcarusGivesTheOwnPortsBoardAndTrace) {
    const ScratchFolder dir("coretest-wrapped-icarus");
    const std::string knobs = "+bug=div-remainder-sign,delay-slot-store-dropped";
    const std::string trace = (dir.path() / "wrapped.trace").string();
    const CliResult wrapped = runCommand(
        simCore("icarus --top coretest_tb -f " + kHdlBin + "/coretest_wrapped.f" + " --work " +
                (dir.path() / "work").string() + " --trace " + trace + " --plusarg " + knobs));
    EXPECT_EQ(wrapped.status, 1) << wrapped.out << wrapped.err;
    const std::string ownTrace = (dir.path() / "own.trace").string();
    const CliResult own = ownPortRun(knobs, ownTrace);
    EXPECT_EQ(own.status, 1) << own.out;
    EXPECT_EQ(boardOf(wrapped.out).displays, boardOf(own.out).displays) << wrapped.out;
    EXPECT_EQ(boardOf(wrapped.out).summary, boardOf(own.out).summary) << wrapped.out;
    EXPECT_TRUE(fileText(trace) == withoutExceptionLines(ownTrace)) << "the traces differ";
    EXPECT_NE(wrapped.out.find("first divergence"), std::string::npos) << wrapped.out;
}

// One row of the core's knob table.
std::vector<std::string> knobNames() {
    std::ifstream in(kSource + "/hdl/core/bug_knobs.md");
    const std::regex row(R"(^\|\s*\d+\s*\|\s*`([^`]+)`\s*\|)");
    std::vector<std::string> names;
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, m, row)) names.push_back(m[1]);
    return names;
}

class WrappedKnobTest : public ::testing::TestWithParam<std::string> {};

// The wrapped core in Verilator (the live checker going on after each divergence) shows the
// board and writes the trace of the core's own retirement port, record for record.
TEST_P(WrappedKnobTest, SameBoardAndTraceAsTheOwnPort) {
    const ScratchFolder dir("coretest-wrapped-knob");
    const std::string plusargs = "+bug=" + GetParam();
    const std::string trace = (dir.path() / "wrapped.trace").string();
    const CliResult wrapped = runCommand(
        kWrappedSim + " +rom=" + kHex + " +switch=1 +max_cycles=2000000 +trace=" + trace +
        " +cosim_elf=" CORETEST_ROM_PATH " +cosim_keep_going " + plusargs);
    const std::string ownTrace = (dir.path() / "own.trace").string();
    const CliResult own = ownPortRun(plusargs, ownTrace);
    const Board board = boardOf(own.out);
    ASSERT_EQ(board.summary.size(), 1u) << own.out;
    EXPECT_EQ(boardOf(wrapped.out).displays, board.displays) << wrapped.out;
    EXPECT_EQ(boardOf(wrapped.out).summary, board.summary) << wrapped.out;
    EXPECT_EQ(wrapped.status, own.status) << wrapped.out;
    EXPECT_EQ(wrapped.out.find("refused"), std::string::npos) << wrapped.out;
    EXPECT_EQ(wrapped.out.find("coretest_shadow_pipeline:"), std::string::npos) << wrapped.out;
    EXPECT_TRUE(fileText(trace) == withoutExceptionLines(ownTrace)) << "the traces differ";
    EXPECT_GT(fileText(trace).size(), 1000u);
}

INSTANTIATE_TEST_SUITE_P(Knobs, WrappedKnobTest, ::testing::ValuesIn(knobNames()),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// The shadow pipeline alone, driven as a core would (tests/hdl/shadow_script_tb.sv): bubbles do
// not retire but a zero word does, seq from MEM on, a register write at retirement, a trap that
// announces nothing, a multiply's late HI/LO tagged with its issue seq, a store tagged in MEM, an
// mthi tagged with the seq it gets leaving EX, and the wiring check's one line.
TEST(ShadowPipeline, ScriptedPipelineGivesTheRetirementInterface) {
    const ScratchFolder dir("coretest-shadow");
    const std::string vvp = (dir.path() / "shadow.vvp").string();
    const CliResult compiled = runCommand(
        std::string(CORETEST_IVERILOG) + " -g2012 -Wall -s shadow_script_tb -o " + vvp + " " +
        kSource + "/hdl/kit/coretest_pkg.sv " + kSource + "/hdl/kit/coretest_shadow_pipeline.sv " +
        kSource + "/tests/hdl/shadow_script_tb.sv");
    ASSERT_EQ(compiled.status, 0) << compiled.err;
    EXPECT_EQ(compiled.out + compiled.err, "");
    const CliResult run = runCommand(std::string(CORETEST_VVP) + " -n " + vvp);
    const std::vector<std::string> expected = {
        "5 rv @1 pc 00000100 gpr 0 hi 1 lo 1 mem 0 trap 0",
        "6 rv @2 pc 00000104 gpr 1 hi 0 lo 0 mem 0 trap 0",
        "6 wg @2 r3 00000033",
        "8 rv @3 pc 00000108 gpr 0 hi 0 lo 0 mem 0 trap 1",
        "8 wh @1 00000011",
        "8 wl @1 00000022",
        "8 wm @4 80000010 0011 0000beef",
        "9 rv @4 pc 0000010c gpr 0 hi 0 lo 0 mem 1 trap 0",
        "9 wh @5 00000055",
        "10 rv @5 pc 00000110 gpr 0 hi 1 lo 0 mem 0 trap 0",
        "11 rv @6 pc 00000114 gpr 0 hi 0 lo 0 mem 0 trap 0",
        "coretest_shadow_pipeline: pc 00000120 taken by EX and kept in ID: connect the stall as "
        "flush_ex_i",
        "12 rv @7 pc 00000118 gpr 0 hi 0 lo 0 mem 0 trap 0",
        "shadow_script_tb: done",
    };
    EXPECT_EQ(capturesOf(run.out, "([^\n]+)"), expected) << run.out;
}

// Bad input to either script: one line on standard error, exit 2, nothing run.
TEST(SimScripts, BadInputIsOneLineAndExitTwo) {
    const ScratchFolder dir("coretest-sim-scripts");
    const std::string list = kHdlBin + "/coretest_core.f";
    const std::string rom = kSource + "/scripts/sim-rom.sh ";
    const std::string folder = dir.path().string();
    const std::string notAnImage = folder + "/notes.elf";
    std::ofstream(notAnImage) << "not an ELF file\n";
    const struct {
        std::string command;
        std::string message;
    } cases[] = {
        {rom + "verilator --bug '' --build " + kBuild, "--bug takes a knob name"},
        {rom + "icarus --bug slt-unsigned --bug 'a b' --build " + kBuild,
         "--bug takes a knob name"},
        {rom + "verilator --trace /dev/full --build " + kBuild, "cannot write the trace file"},
        {rom + "icarus --trace " + folder + " --build " + kBuild, "is a folder"},
        {rom + "modelsim --build " + kBuild, "unknown simulator"},
        {simCore("verilator -f " + list), "--top NAME is needed"},
        {simCore("icarus --top coretest_tb"), "no sources"},
        {simCore("icarus --top 'a;b' -f " + list), "--top takes a module name"},
        {simCore("icarus --top coretest_tb -f " + folder + "/none.f"), "cannot read the source"},
        {simCore("icarus --cosim --top coretest_tb -f " + list), "--cosim needs Verilator"},
        {simCore("icarus --top coretest_tb -f " + list + " --trace /dev/full"),
         "cannot write the trace file"},
        {simCore("verilator --top coretest_tb -f " + list + " --trace " + folder), "is a folder"},
        {simCore("icarus --top coretest_tb -f " + list + " --switch xyz"), "--switch takes"},
        {simCore("icarus --top coretest_tb -f " + list + " --define '1x'"), "--define takes"},
        {simCore("icarus --top coretest_tb -f " + list + " --plusarg bug=x"), "--plusarg takes"},
        {simCore("icarus --top coretest_tb -f " + list + " --frobnicate"), "unknown option"},
        {simCore("icarus --top coretest_tb -f " + list + " --work " + folder + "/w --rom " +
                 notAnImage),
         "the tool cannot run the image '" + notAnImage + "': "},
    };
    for (const auto& c : cases) {
        const CliResult r = runCommand(c.command);
        EXPECT_EQ(r.status, 2) << c.command << "\n" << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.command << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.command << "\n" << r.err;
        EXPECT_EQ(r.out, "") << c.command;
    }
}

// A source that does not build is bad input too, with the simulator's own words before the line.
TEST(SimScripts, SourcesThatDoNotBuildExitTwo) {
    const ScratchFolder dir("coretest-sim-broken");
    const std::string broken = (dir.path() / "broken_tb.sv").string();
    std::ofstream(broken) << "module broken_tb; this is not verilog endmodule\n";
    const CliResult r = runCommand(
        simCore("icarus --top broken_tb " + broken + " --work " + (dir.path() / "work").string()));
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("sim-core: iverilog cannot build broken_tb"), std::string::npos) << r.err;
}

} // namespace
} // namespace coretest_test
