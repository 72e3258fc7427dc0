// The kit's board and tracer on their own, driven by scripted testbenches in Icarus Verilog.
#include <gtest/gtest.h>

#include <fstream>

#include "hdl/hdl_support.h"

namespace coretest_test {
namespace {

const std::string kKit = CORETEST_SOURCE_DIR "/hdl/kit/";
const std::string kTests = CORETEST_SOURCE_DIR "/tests/hdl/";

// Compiles a testbench with the kit into dir and runs it with the plusargs.
CliResult simulate(const ScratchFolder& dir, const std::string& top, const std::string& params,
                   const std::string& plusargs) {
    const std::string vvp = (dir.path() / (top + ".vvp")).string();
    const CliResult compiled = runCommand(
        std::string(CORETEST_IVERILOG) + " -g2012 -s " + top + " " + params + " -o " + vvp + " " +
        kKit + "coretest_pkg.sv " + kTests + top + ".sv " + kKit + "coretest_board.sv " + kKit +
        "coretest_wait_states.sv " + kKit + "coretest_monitor.sv " + kKit + "coretest_tracer.sv");
    EXPECT_EQ(compiled.status, 0) << compiled.err;
    return runCommand("cd " + dir.path().string() + " && " + CORETEST_VVP + " -n " + vvp + " " +
                      plusargs);
}

struct TracerCase {
    const char* name;
    const char* plusargs;
    const char* trace;    // the file the tracer writes
    const char* messages; // what it reports, at the end of the run
};

const TracerCase kTracerCases[] = {
    {"reorders", "",
     // seq 3's early store waits for the divider's late LO and HI of seq 2; the ROM store (5) and
     // the trap (8) write nothing; nothing after the end mark.
     "@1 bfc00000 r04 fffff008\n"
     "@2 bfc00004 lo 00000003\n"
     "@2 bfc00004 hi 00000001\n"
     "@3 bfc00008 m 80000010 12345678\n"
     "@4 bfc0000c r05 00000007\n"
     "@6 bfc00014 m 80000022 ab\n"
     "@7 bfc00018 m 80000032 beef\n"
     "@9 bfc00020 m fffffff0 000000ff\n",
     "tracer_script_tb: trace_end 1, errors 0"},
    {"untagged", "+trace_untagged",
     "bfc00000 r04 fffff008\n"
     "bfc00004 lo 00000003\n"
     "bfc00004 hi 00000001\n"
     "bfc00008 m 80000010 12345678\n"
     "bfc0000c r05 00000007\n"
     "bfc00014 m 80000022 ab\n"
     "bfc00018 m 80000032 beef\n"
     "bfc00020 m fffffff0 000000ff\n",
     "tracer_script_tb: trace_end 1, errors 0"},
    {"missing", "+scenario=missing",
     // seq 3 is complete but waits behind seq 2, whose register write never comes.
     "@1 bfc00000 r04 fffff008\n",
     "tracer: @2 pc bfc00004 (instruction 00000000) retired, but its register write never "
     "arrived\n"
     "tracer: 1 instructions written to t.trace, without the end mark\n"
     "tracer_script_tb: trace_end 0, errors 1"},
};

class TracerTest : public ::testing::TestWithParam<TracerCase> {};

TEST_P(TracerTest, WritesProgramOrderAndReportsWhatNeverArrived) {
    const TracerCase& c = GetParam();
    const ScratchFolder dir("coretest-tracer");
    const CliResult run =
        simulate(dir, "tracer_script_tb", "", std::string("+trace=t.trace ") + c.plusargs);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(c.messages), std::string::npos) << run.out;
    EXPECT_EQ(readAll(dir.path() / "t.trace"), c.trace);
}

INSTANTIATE_TEST_SUITE_P(Scripts, TracerTest, ::testing::ValuesIn(kTracerCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct BoardCase {
    const char* name;
    const char* params;
    const char* page; // where the ROM and RAM answer
    const char* ram;
};

const BoardCase kBoardCases[] = {
    {"virtual_no_wait", "", "bfc00", "8004"},
    {"physical_two_waits", "-Pboard_script_tb.LATENCY=2 -Pboard_script_tb.PHYSICAL=1", "1fc00",
     "0004"},
};

class BoardTest : public ::testing::TestWithParam<BoardCase> {};

TEST_P(BoardTest, AnswersThePortsAndReportsUndecodedAccesses) {
    const BoardCase& c = GetParam();
    const ScratchFolder dir("coretest-board");
    {
        // The whole 512 KiB window, as the build exports the ROM: word n holds 0x11111111 * (n+1)
        // for the first four words.
        std::ofstream hex(dir.path() / "rom.hex");
        for (unsigned n = 0; n < 128 * 1024; ++n)
            hex << (n < 4 ? std::string(8, static_cast<char>('1' + n)) : "00000000") << "\n";
    }
    const CliResult run = simulate(dir, "board_script_tb", c.params, "+rom=rom.hex");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find("FAIL "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("board_script_tb: 34 checks done"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("WARNING"), std::string::npos) << run.out;
    const std::string ram = c.ram;
    EXPECT_EQ(capturesOf(run.out, "board: bus error: ([^,]*),"),
              (std::vector<std::string>{"load from 0x" + ram + "0000",
                                        "store to 0xfffff010 (byte enables 0011)",
                                        "fetch from 0xfffff000"}))
        << run.out;
    EXPECT_NE(run.out.find(std::string("board fault: store of 0x00000000 (byte enables 1111) to "
                                       "the boot ROM at 0x") +
                           c.page + "008 refused"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("display 0x01000001: routine 1, 1 passed"), std::string::npos);
    EXPECT_NE(run.out.find(std::string("coretest: FAIL: no verdict: the core idles in the "
                                       "exception loop at 0x") +
                           c.page + "380, display 0x01000001"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("; 3 bus errors"), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(Ports, BoardTest, ::testing::ValuesIn(kBoardCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace coretest_test
