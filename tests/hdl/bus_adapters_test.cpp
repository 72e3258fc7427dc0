// The kit's bus adapters (hdl/kit/bus) with our core: the ROM passes through each protocol in
// Verilator, also under random back-pressure, with a trace that agrees with the reference core; a
// seed reproduces its run; a bug knob fails the same routines through an adapter as without one;
// Icarus Verilog runs the ROM through one adapter and the start of it through the others. Each
// protocol checker names the rule a deliberately broken master breaks, and gives no verdict. The
// example of docs/bus-adapters.md (a core with loose signals) builds clean and runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "hdl/hdl_support.h"

namespace coretest_test {
namespace {

const std::string kHdlBin = CORETEST_HDL_BINARY_DIR;
const std::string kHex = kHdlBin + "/coretest.hex";
const std::string kCli = CORETEST_CLI_PATH;
const std::filesystem::path kSource = CORETEST_SOURCE_DIR;

std::string busSim(const std::string& plusargs) {
    return kHdlBin + "/coretest_bus_sim +rom=" + kHex + " +switch=1 +max_cycles=4000000 " +
           plusargs;
}

std::string busIcarus(const std::string& plusargs) {
    return std::string(CORETEST_VVP) + " -n " + kHdlBin + "/coretest_bus_tb.vvp +rom=" + kHex +
           " +switch=1 " + plusargs;
}

// The run's summary line, or "" when there is none.
std::string summaryOf(const std::string& out) {
    const auto lines = capturesOf(out, "(coretest: [^\n]*)");
    return lines.empty() ? "" : lines.back();
}

// The ROM passes and the trace agrees with the reference core; the run's output is returned.
std::string expectPassAndAgreement(const std::string& command) {
    const ScratchFolder dir("coretest-bus");
    const std::string trace = (dir.path() / "bus.trace").string();
    const CliResult run = runCommand(command + " +trace=" + trace);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(summaryOf(run.out).rfind("coretest: PASS: verdict pass, 58 of 58 routines passed", 0),
              0u)
        << command << "\n"
        << run.out;
    const CliResult compare = runCommand(kCli + " compare " + trace);
    EXPECT_EQ(compare.status, 0) << command << "\n" << compare.out << compare.err;
    EXPECT_NE(compare.out.find("the traces agree: 74807 records"), std::string::npos)
        << compare.out;
    return run.out;
}

struct BusRun {
    const char* bus;
    unsigned seed; // 0: no back-pressure
};

// ---- the example of docs/bus-adapters.md: a core with loose Wishbone and AXI4-Lite signals ----

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The text from the line with "===== YOUR CORE: begin" to the end of the line with
// "===== YOUR CORE: end", or "" when a marker is missing.
std::string markedBlock(const std::string& text) {
    const auto begin = text.rfind('\n', text.find("===== YOUR CORE: begin"));
    const auto end = text.find('\n', text.find("===== YOUR CORE: end"));
    if (begin == std::string::npos || end == std::string::npos || end < begin) return "";
    return text.substr(begin + 1, end - begin);
}

// The template top with its core's block replaced by the document's, as module bus_doc_tb.
std::string docExampleTop() {
    std::string top = fileText(kSource / "hdl/tb/coretest_tb.sv");
    const std::string ours = markedBlock(top);
    const std::string example = markedBlock(fileText(kSource / "docs/bus-adapters.md"));
    EXPECT_NE(ours, "");
    EXPECT_NE(example.find("coretest_bus_axil "), std::string::npos) << example;
    top.replace(top.find(ours), ours.size(), example);
    top.replace(top.find("module coretest_tb"), 18, "module bus_doc_tb");
    return top;
}

TEST(BusDocExample, ALooseSignalCoreBuildsCleanAndRunsTheRomsStart) {
    const ScratchFolder dir("coretest-bus-doc");
    const auto top = dir.path() / "bus_doc_tb.sv";
    std::ofstream(top) << docExampleTop();
    std::string sources = (kSource / "hdl/kit/coretest_pkg.sv").string() + " " +
                          (kSource / "hdl/core/mips_pkg.sv").string();
    std::vector<std::filesystem::path> files;
    for (const char* folder : {"hdl/core", "hdl/kit", "hdl/kit/bus"})
        for (const auto& entry : std::filesystem::directory_iterator(kSource / folder))
            if (entry.path().extension() == ".sv" && entry.path().filename() != "mips_pkg.sv" &&
                entry.path().filename() != "coretest_pkg.sv")
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files)
        sources += " " + f.string();
    sources += " " + (kSource / "tests/hdl/my_bus_core.sv").string() + " " + top.string();

    if (runCommand("verilator --version").status == 0) {
        // The template without the bug knobs leaves `bugs` unread, which -Wall would name.
        const CliResult lint = runCommand(
            "verilator --lint-only -Wall -Wno-UNUSEDSIGNAL --assert --top-module bus_doc_tb " +
            sources);
        EXPECT_EQ(lint.status, 0) << lint.err;
        EXPECT_EQ(lint.out + lint.err, "");
    }
    const std::string vvp = (dir.path() / "doc.vvp").string();
    const CliResult compiled = runCommand(std::string(CORETEST_IVERILOG) +
                                          " -g2012 -Wall -s bus_doc_tb -o " + vvp + " " + sources);
    ASSERT_EQ(compiled.status, 0) << compiled.err;
    EXPECT_EQ(compiled.out + compiled.err, "");
    // Both protocols carry the ROM's start with back-pressure: the trace agrees and no checker
    // speaks (the run ends at the cycle limit).
    const std::string trace = (dir.path() / "doc.trace").string();
    const CliResult run =
        runCommand(std::string(CORETEST_VVP) + " -n " + vvp + " +rom=" + kHex +
                   " +switch=1 +backpressure_seed=8 +max_cycles=4000 +trace=" + trace);
    EXPECT_EQ(summaryOf(run.out).rfind("coretest: FAIL: no verdict: cycle limit 4000 reached", 0),
              0u)
        << run.out;
    EXPECT_EQ(capturesOf(run.out, "backpressure: seed ([0-9]+),").size(), 2u) << run.out;
    const CliResult compare = runCommand(kCli + " compare " + trace);
    const auto agreeing =
        capturesOf(compare.out, "your trace ends early: all its ([0-9]+) records agree");
    ASSERT_EQ(agreeing.size(), 1u) << compare.out;
    EXPECT_GT(std::stoul(agreeing[0]), 100u) << compare.out;
}

// Every protocol without back-pressure and with two seeds of its own.
const BusRun kBusRuns[] = {
    {"hold", 0},          {"hold", 11},       {"hold", 12},        {"wb-classic", 0},
    {"wb-classic", 21},   {"wb-classic", 22}, {"wb-pipelined", 0}, {"wb-pipelined", 31},
    {"wb-pipelined", 32}, {"axi4-lite", 0},   {"axi4-lite", 41},   {"axi4-lite", 42},
    {"pipelined", 0},     {"pipelined", 51},  {"pipelined", 52},   {"four-phase", 0},
    {"four-phase", 61},   {"four-phase", 62}, {"shared", 0},       {"shared", 71},
    {"shared", 72},
};

class BusRunTest : public ::testing::TestWithParam<BusRun> {};

TEST_P(BusRunTest, VerilatorPassesWithAnAgreeingTrace) {
    const BusRun& r = GetParam();
    std::string plusargs = std::string("+bus=") + r.bus;
    if (r.seed != 0) plusargs += " +backpressure_seed=" + std::to_string(r.seed);
    const std::string out = expectPassAndAgreement(busSim(plusargs));
    EXPECT_EQ(capturesOf(out, "(?:^|\n)display (0x[0-9a-f]{8}):").size(), 59u) << out;
    if (r.seed != 0) {
        EXPECT_EQ(capturesOf(out, "backpressure: seed ([0-9]+),").size(), 2u) << out;
    }
}

INSTANTIATE_TEST_SUITE_P(Buses, BusRunTest, ::testing::ValuesIn(kBusRuns), [](const auto& info) {
    std::string name = std::string(info.param.bus) + "_seed" + std::to_string(info.param.seed);
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
});

// The cycle count of a run, from its summary.
std::string cyclesOf(const std::string& out) {
    const auto cycles = capturesOf(out, "coretest: [^\n]*, ([0-9]+) cycles");
    return cycles.empty() ? "" : cycles.back();
}

TEST(BusBackpressure, ASeedReproducesItsRunAndAnotherVariesIt) {
    const ScratchFolder dir("coretest-bus-seed");
    const std::string a = (dir.path() / "a.trace").string(), b = (dir.path() / "b.trace").string();
    const std::string first =
        runCommand(busSim("+bus=axi4-lite +backpressure_seed=5 +trace_untagged +trace=" + a)).out;
    const std::string again =
        runCommand(busSim("+bus=axi4-lite +backpressure_seed=5 +trace_untagged +trace=" + b)).out;
    EXPECT_EQ(readAll(a), readAll(b));
    EXPECT_GT(readAll(a).size(), 1000000u);
    const std::string other = runCommand(busSim("+bus=axi4-lite +backpressure_seed=6")).out;
    const std::string none = runCommand(busSim("+bus=axi4-lite")).out;
    // The same output but for the trace file's name.
    EXPECT_EQ(std::regex_replace(first, std::regex("a\\.trace"), "x"),
              std::regex_replace(again, std::regex("b\\.trace"), "x"));
    EXPECT_NE(cyclesOf(first), "") << first;
    EXPECT_NE(cyclesOf(first), cyclesOf(other));
    // Back-pressure slows every access down: at least half as many cycles again as without.
    EXPECT_GT(std::stoull(cyclesOf(first)), std::stoull(cyclesOf(none)) * 3 / 2) << first << none;
    EXPECT_NE(first.find("tb: bus axi4-lite, back-pressure seed 5"), std::string::npos) << first;
}

// A bug of the core shows the same display words and verdict through an adapter as on the board
// directly: the adapter neither hides nor adds a failure.
TEST(BusBugKnob, FailsTheSameRoutinesThroughAnAdapter) {
    const CliResult direct = runCommand(busSim("+bus=hold +bug=slt-unsigned"));
    const CliResult adapted =
        runCommand(busSim("+bus=four-phase +backpressure_seed=9 +bug=slt-unsigned"));
    const auto words = capturesOf(direct.out, "(?:^|\n)display (0x[0-9a-f]{8}):");
    EXPECT_EQ(words, capturesOf(adapted.out, "(?:^|\n)display (0x[0-9a-f]{8}):"));
    EXPECT_NE(std::find(words.begin(), words.end(), "0x08000007"), words.end()) << direct.out;
    EXPECT_EQ(direct.status, 1);
    EXPECT_EQ(adapted.status, 1);
    EXPECT_EQ(verdictOfSummary(direct.out), "fail") << direct.out;
    EXPECT_EQ(verdictOfSummary(adapted.out), "fail") << adapted.out;
}

// A master that breaks the protocol in the middle of the ROM gets the checker's line and exit
// status 1 from the model, and no verdict.
TEST(BusBrokenMaster, GetsTheCheckersLineAndNoVerdict) {
    const CliResult run = runCommand(busSim("+bus=axi4-lite +backpressure_seed=3 +broken_master"));
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_TRUE(std::regex_match(summaryOf(run.out),
                                 std::regex("coretest: FAIL: AXI4-Lite: ARVALID dropped before "
                                            "ARREADY at cycle [0-9]+ \\(instruction port\\)")))
        << run.out;
    EXPECT_EQ(run.out.find("verdict"), std::string::npos) << run.out;
    EXPECT_EQ(verdictOfSummary(run.out), "none");
}

TEST(BusBadInput, AnUnknownBusEndsWithAnErrorLine) {
    const CliResult run = runCommand(busSim("+bus=wishbone"));
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_EQ(summaryOf(run.out),
              "coretest: ERROR unknown bus 'wishbone' "
              "(+bus=hold|wb-classic|wb-pipelined|axi4-lite|pipelined|four-phase|shared)")
        << run.out;
}

TEST(BusIcarus, PassesThroughWishboneClassicWithAnAgreeingTrace) {
    expectPassAndAgreement(busIcarus("+bus=wb-classic"));
}

// The other protocols in Icarus for the first few thousand cycles: every record of the trace
// agrees with the reference core, and no checker fires.
class BusIcarusStartTest : public ::testing::TestWithParam<const char*> {};

TEST_P(BusIcarusStartTest, StartsWithAnAgreeingTrace) {
    const ScratchFolder dir("coretest-bus-icarus");
    const std::string trace = (dir.path() / "bus.trace").string();
    const CliResult run =
        runCommand(busIcarus(std::string("+bus=") + GetParam() +
                             " +backpressure_seed=4 +max_cycles=4000 +trace=" + trace));
    EXPECT_EQ(summaryOf(run.out).rfind("coretest: FAIL: no verdict: cycle limit 4000 reached", 0),
              0u)
        << run.out;
    const CliResult compare = runCommand(kCli + " compare " + trace);
    const auto agreeing =
        capturesOf(compare.out, "your trace ends early: all its ([0-9]+) records agree");
    ASSERT_EQ(agreeing.size(), 1u) << compare.out;
    EXPECT_GT(std::stoul(agreeing[0]), 100u) << compare.out;
}

INSTANTIATE_TEST_SUITE_P(Buses, BusIcarusStartTest,
                         ::testing::Values("wb-pipelined", "axi4-lite", "pipelined", "four-phase",
                                           "shared"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// ---- the checkers, with broken masters (tests/hdl/bus_checker_tb.sv) ----

struct CheckerCase {
    const char* rule; // +rule=NAME of the testbench
    const char* line; // what the checker prints
};

const CheckerCase kCheckerCases[] = {
    {"wb_stb_without_cyc", "Wishbone: STB without CYC at cycle 1 (instruction port)"},
    {"wb_stb_dropped", "Wishbone: STB dropped before ACK or ERR at cycle 3 (instruction port)"},
    {"wb_changed",
     "Wishbone: ADR/WE/SEL/DAT changed before ACK or ERR at cycle 2 (instruction port)"},
    {"wbp_stb_dropped", "Wishbone: STB dropped while STALL held it at cycle 2 (data port)"},
    {"wbp_changed", "Wishbone: ADR/WE/SEL/DAT changed while STALL held STB at cycle 2 (data port)"},
    {"wbp_cyc_dropped",
     "Wishbone: CYC dropped before every request had its ACK or ERR at cycle 3 (data port)"},
    {"aw_dropped", "AXI4-Lite: AWVALID dropped before AWREADY at cycle 2 (data port)"},
    {"aw_changed",
     "AXI4-Lite: AWADDR changed while AWVALID waited for AWREADY at cycle 2 (data port)"},
    {"w_dropped", "AXI4-Lite: WVALID dropped before WREADY at cycle 4 (data port)"},
    {"w_changed",
     "AXI4-Lite: WDATA/WSTRB changed while WVALID waited for WREADY at cycle 2 (data port)"},
    {"ar_dropped", "AXI4-Lite: ARVALID dropped before ARREADY at cycle 2 (data port)"},
    {"ar_changed",
     "AXI4-Lite: ARADDR changed while ARVALID waited for ARREADY at cycle 2 (data port)"},
    {"pipe_dropped", "pipelined port: request dropped before ready at cycle 2 (data port)"},
    {"pipe_changed",
     "pipelined port: request changed while it waited for ready at cycle 2 (data port)"},
    {"fp_both", "4-phase port: rd and wr both up at cycle 1 (data port)"},
    {"fp_dropped", "4-phase port: request dropped before ack at cycle 2 (data port)"},
    {"fp_changed", "4-phase port: address, byte enables or data changed while the request was up "
                   "at cycle 3 (data port)"},
    {"fp_early", "4-phase port: request raised before ack fell at cycle 4 (data port)"},
    {"hold_dropped", "request/ready port: req dropped before ready at cycle 2 (data port)"},
    {"hold_changed", "request/ready port: addr, we, be or wdata changed while req waited for ready "
                     "at cycle 2 (data port)"},
};

// The checkers' testbench, compiled once for all cases.
const std::string& checkerTestbench() {
    static const ScratchFolder dir("coretest-bus-checkers");
    static const std::string vvp = [] {
        const std::string out = (dir.path() / "checkers.vvp").string();
        std::string sources = " " + (kSource / "hdl/kit/coretest_pkg.sv").string();
        for (const auto& entry : std::filesystem::directory_iterator(kSource / "hdl/kit/bus"))
            if (entry.path().extension() == ".sv") sources += " " + entry.path().string();
        const CliResult compiled =
            runCommand(std::string(CORETEST_IVERILOG) + " -g2012 -Wall -s bus_checker_tb -o " +
                       out + sources + " " + (kSource / "tests/hdl/bus_checker_tb.sv").string());
        EXPECT_EQ(compiled.status, 0) << compiled.err;
        EXPECT_EQ(compiled.out + compiled.err, "");
        return out;
    }();
    return vvp;
}

CliResult runCheckers(const std::string& rule) {
    return runCommand(std::string(CORETEST_VVP) + " -n " + checkerTestbench() + " +rule=" + rule);
}

class CheckerTest : public ::testing::TestWithParam<CheckerCase> {};

TEST_P(CheckerTest, NamesTheBrokenRuleAndGivesNoVerdict) {
    const CheckerCase& c = GetParam();
    const CliResult run = runCheckers(c.rule);
    EXPECT_EQ(capturesOf(run.out, "(coretest: [^\n]*)"),
              std::vector<std::string>{std::string("coretest: FAIL: ") + c.line})
        << run.out;
    EXPECT_EQ(verdictOfSummary(run.out), "none");
    EXPECT_EQ(run.out.find("no violation"), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(Rules, CheckerTest, ::testing::ValuesIn(kCheckerCases),
                         [](const auto& info) { return std::string(info.param.rule); });

TEST(CheckerClean, CorrectTrafficOnEveryBusPasses) {
    const CliResult run = runCheckers("clean");
    EXPECT_EQ(capturesOf(run.out, "(coretest: [^\n]*)"), std::vector<std::string>{}) << run.out;
    EXPECT_NE(run.out.find("bus_checker_tb: no violation"), std::string::npos) << run.out;
}

// The pipelined adapter with OUTSTANDING = 2 and word addresses: two requests taken in a row, the
// third held until the first response, answers in order, the bus error on the second.
TEST(PipelinedAdapter, BoundsRequestsInFlightAndAnswersInOrder) {
    const CliResult run = runCheckers("outstanding");
    EXPECT_EQ(
        capturesOf(run.out, "pipe: ([^\n]*)"),
        (std::vector<std::string>{"cycle 1: took 00000100", "board read 00000400",
                                  "cycle 2: took 20000101", "cycle 3: response fffffbff err 0",
                                  "board read 80000404", "cycle 4: took 00000102",
                                  "cycle 4: response 7ffffbfb err 1", "board read 00000408",
                                  "cycle 6: response fffffbf7 err 0", "3 accepted, 3 answered"}))
        << run.out;
}

// The board's bus error through the Wishbone (ERR), AXI4-Lite (BRESP and RRESP DECERR) and
// 4-phase (err, read after ack fell, word addresses) adapters, beside accesses that succeed; the
// AXI4-Lite write reaches the board with its strobes and data.
TEST(AdapterAnswers, BusErrorsAndDataReachTheCore) {
    const CliResult run = runCheckers("errors");
    EXPECT_EQ(capturesOf(run.out, "(?:^|\n)((?:wishbone|axi4-lite|4-phase): [^\n]*)"),
              (std::vector<std::string>{"wishbone: read 00000104: ack 1 err 0 data fffffefb",
                                        "wishbone: read 80000104: ack 0 err 1 data 7ffffefb",
                                        "axi4-lite: board write 00000200 be 0011 data 00000005",
                                        "axi4-lite: write 00000200: bresp 00",
                                        "axi4-lite: board write 90000200 be 0011 data 00000005",
                                        "axi4-lite: write 90000200: bresp 11",
                                        "axi4-lite: read 00000300: rresp 00 data fffffcff",
                                        "axi4-lite: read c0000300: rresp 11 data 3ffffcff",
                                        "4-phase: read word 00000040: err 0 data fffffeff",
                                        "4-phase: read word 20000040: err 1 data 7ffffeff"}))
        << run.out;
    EXPECT_NE(run.out.find("bus_checker_tb: no violation"), std::string::npos) << run.out;
}

// The adapters, checkers and testbench as both simulators read them: no lint warning, no
// Icarus warning.
TEST(BusRtl, VerilatorLintAndIcarusAreClean) {
    std::vector<std::string> kit, core, bus;
    for (const auto& entry : std::filesystem::directory_iterator(kSource / "hdl/kit"))
        if (entry.path().extension() == ".sv" && entry.path().filename() != "coretest_pkg.sv")
            kit.push_back(entry.path().string());
    for (const auto& entry : std::filesystem::directory_iterator(kSource / "hdl/core"))
        if (entry.path().extension() == ".sv" && entry.path().filename() != "mips_pkg.sv")
            core.push_back(entry.path().string());
    for (const auto& entry : std::filesystem::directory_iterator(kSource / "hdl/kit/bus"))
        if (entry.path().extension() == ".sv") bus.push_back(entry.path().string());
    std::string sources = (kSource / "hdl/kit/coretest_pkg.sv").string() + " " +
                          (kSource / "hdl/core/mips_pkg.sv").string();
    for (auto* list : {&core, &kit, &bus}) {
        std::sort(list->begin(), list->end());
        for (const auto& s : *list)
            sources += " " + s;
    }
    // The template top with the bus testbench as its core.
    for (const char* tb : {"kit/bus/tb/coretest_bus_tb_pkg.sv", "kit/bus/tb/coretest_bus_port.sv",
                           "kit/bus/tb/coretest_bus_core.sv", "tb/coretest_tb.sv"})
        sources += " " + (kSource / "hdl" / tb).string();
    const std::string defines = " -I" + (kSource / "hdl/kit").string() +
                                " -DCORETEST_BUG_KNOBS -DCORETEST_CORE=coretest_bus_core ";
    if (runCommand("verilator --version").status == 0) {
        const CliResult lint = runCommand("verilator --lint-only -Wall --assert -I" + kHdlBin +
                                          defines + "--top-module coretest_tb " + sources);
        EXPECT_EQ(lint.status, 0) << lint.err;
        EXPECT_EQ(lint.out + lint.err, "");
    }
    const ScratchFolder dir("coretest-bus-rtl");
    const CliResult compiled =
        runCommand(std::string(CORETEST_IVERILOG) + " -g2012 -Wall -I" + kHdlBin + defines +
                   "-s coretest_tb -o " + (dir.path() / "bus.vvp").string() + " " + sources);
    EXPECT_EQ(compiled.status, 0) << compiled.err;
    EXPECT_EQ(compiled.out + compiled.err, "");
}

} // namespace
} // namespace coretest_test
