// The kit's board and tracer on their own, driven by scripted testbenches in Icarus Verilog.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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
    const char* params = "";
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
    {"swl_swr_and_exceptions", "+scenario=bytes",
     // Each store from its first byte, 2 digits a byte; enables with a gap give a line per run;
     // a trap is an exc line when the core says how it trapped (BadVAddr for an address error)
     // and nothing when it does not (12).
     "@1 bfc00000 m 80000100 aa\n"
     "@2 bfc00004 m 80000100 bbaa\n"
     "@3 bfc00008 m 80000100 ccbbaa\n"
     "@4 bfc0000c m 80000100 ddccbbaa\n"
     "@5 bfc00010 m 80000104 44332211\n"
     "@6 bfc00014 m 80000105 332211\n"
     "@7 bfc00018 m 80000106 2211\n"
     "@8 bfc0001c m 80000107 11\n"
     "@9 bfc00020 m 80000108 ff\n"
     "@9 bfc00020 m 8000010a ee\n"
     "@10 bfc00024 exc 12 bfc00024\n"
     "@11 bfc0002c exc 05 bfc00028 80000003\n"
     "@13 bfc00034 m fffffff0 000000ff\n",
     "tracer: 13 instructions written to t.trace, up to the end mark\n"
     "tracer_script_tb: trace_end 1, errors 0"},
    {"swl_swr_big_endian", "+scenario=bytes",
     // The same lanes of a big-endian core: lane n is the byte at addr + 3 - n.
     "@1 bfc00000 m 80000103 aa\n"
     "@2 bfc00004 m 80000102 bbaa\n"
     "@3 bfc00008 m 80000101 ccbbaa\n"
     "@4 bfc0000c m 80000100 ddccbbaa\n"
     "@5 bfc00010 m 80000104 44332211\n"
     "@6 bfc00014 m 80000104 332211\n"
     "@7 bfc00018 m 80000104 2211\n"
     "@8 bfc0001c m 80000104 11\n"
     "@9 bfc00020 m 80000109 ee\n"
     "@9 bfc00020 m 8000010b ff\n"
     "@10 bfc00024 exc 12 bfc00024\n"
     "@11 bfc0002c exc 05 bfc00028 80000003\n"
     "@13 bfc00034 m fffffff0 000000ff\n",
     "tracer_script_tb: trace_end 1, errors 0", "-Ptracer_script_tb.BIG=1"},
};

class TracerTest : public ::testing::TestWithParam<TracerCase> {};

TEST_P(TracerTest, WritesProgramOrderAndReportsWhatNeverArrived) {
    const TracerCase& c = GetParam();
    const ScratchFolder dir("coretest-tracer");
    const CliResult run =
        simulate(dir, "tracer_script_tb", c.params, std::string("+trace=t.trace ") + c.plusargs);
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
        // Word n holds 0x11111111 * (n+1) for the first four words; a file shorter than the
        // 512 KiB window loads without a warning.
        std::ofstream hex(dir.path() / "rom.hex");
        for (unsigned n = 0; n < 4; ++n)
            hex << std::string(8, static_cast<char>('1' + n)) << "\n";
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

// ---- the ports' contract ----

struct ContractCase {
    const char* scenario;
    const char* error; // the line naming the broken rule; "" when the script keeps the contract
    const char* summary;
};

const ContractCase kContractCases[] = {
    {"keeps", "", "coretest: PASS: verdict pass, 58 of 58 routines passed, display 0x3a00003a"},
    {"withdraw",
     "coretest: ERROR data port: the request for 0x80000010 was withdrawn before ready (req must "
     "stay 1 until the cycle ready is 1)",
     "coretest: FAIL: no verdict: the core broke the data-port contract"},
    {"address",
     "coretest: ERROR data port: the address changed from 0x80000010 to 0x80000014 before ready",
     "coretest: FAIL: no verdict: the core broke the data-port contract"},
    {"we", "coretest: ERROR data port: we changed from 0 to 1 at 0x80000010 before ready",
     "coretest: FAIL: no verdict: the core broke the data-port contract"},
    {"be",
     "coretest: ERROR data port: be changed from 1111 to 0000 in the store to 0x80000010 before "
     "ready",
     "coretest: FAIL: no verdict: the core broke the data-port contract"},
    {"wdata",
     "coretest: ERROR data port: wdata changed from 0x12345678 to 0xedcba987 in the store to "
     "0x80000010 before ready",
     "coretest: FAIL: no verdict: the core broke the data-port contract"},
    {"unaligned",
     "coretest: ERROR data port: address 0x80000012 is not a word address (its low two bits must "
     "be 0; be selects the bytes)",
     "coretest: FAIL: no verdict: the core broke the data-port contract"},
    {"late",
     "coretest: ERROR data port: @3 writes r05 xxxxxxxx, unknown bits as the board drives on "
     "rdata outside the cycles it is valid: the core took read data outside its window",
     "coretest: FAIL: no verdict: the core broke the data-port contract"},
    {"fetch",
     "coretest: ERROR instruction port: the address changed from 0xbfc00000 to 0xbfc00004 before "
     "ready",
     "coretest: FAIL: no verdict: the core broke the instruction-port contract"},
    {"unknown", "coretest: ERROR instruction port: req has unknown bits (X or Z) after reset",
     "coretest: FAIL: no verdict: the core broke the instruction-port contract"},
};

class PortContractTest : public ::testing::TestWithParam<ContractCase> {};

// A scripted core that breaks one rule of the ports' contract gets the line naming it and a
// summary without a verdict (nothing that blames its instructions); one that keeps them passes,
// also when it takes read data cycles after ready with the address held.
TEST_P(PortContractTest, EachRuleBrokenOnceIsNamed) {
    const ContractCase& c = GetParam();
    const ScratchFolder dir("coretest-contract");
    std::ofstream(dir.path() / "rom.hex") << "00000000\n";
    const CliResult run =
        simulate(dir, "port_contract_tb", "-Pport_contract_tb.LATENCY=1",
                 std::string("+rom=rom.hex +trace=t.trace +scenario=") + c.scenario);
    EXPECT_EQ(run.status, 0) << run.err;
    const auto errors = capturesOf(run.out, "(coretest: ERROR [^\n]*)");
    const auto summaries = capturesOf(run.out, "(coretest: (?:PASS|FAIL): [^\n]*)");
    ASSERT_EQ(summaries.size(), 1u) << run.out;
    EXPECT_EQ(summaries[0].rfind(c.summary, 0), 0u) << run.out;
    if (*c.error == '\0') {
        EXPECT_TRUE(errors.empty()) << run.out;
        EXPECT_NE(run.out.find("port_contract_tb: 2 checks done"), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("port_contract_tb: FAIL"), std::string::npos) << run.out;
        EXPECT_EQ(readAll(dir.path() / "t.trace"), "@1 bfc00000 m 80000010 12345678\n"
                                                   "@2 bfc00004 r04 12345678\n"
                                                   "@3 bfc00008 r05 12345678\n"
                                                   "@4 bfc0000c m fffff004 00000001\n"
                                                   "@5 bfc00010 m fffff008 00000001\n"
                                                   "@6 bfc00014 m fffff010 3a00003a\n"
                                                   "@7 bfc00018 m fffffff0 000000ff\n");
    } else {
        ASSERT_EQ(errors.size(), 1u) << run.out;
        EXPECT_EQ(errors[0].rfind(c.error, 0), 0u) << errors[0];
        // The error comes before the summary, and nothing of the script runs after it.
        EXPECT_LT(run.out.find(errors[0]), run.out.find(summaries[0])) << run.out;
        EXPECT_EQ(run.out.find("checks done"), std::string::npos) << run.out;
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, PortContractTest, ::testing::ValuesIn(kContractCases),
                         [](const auto& info) { return std::string(info.param.scenario); });

// ---- byte order ----

struct EndianCase {
    const char* name;
    const char* params;
    const char* partial; // the record of the 3-byte store of aa, bb, cc at 0x80000105 upwards
    const char* loads;   // the trace's register writes, the loads' values in program order
};

// The other stores of the program, the same in both byte orders: the numbers stored, at the
// address of their first byte.
const char* const kEndianStores[] = {
    "@5 bfc00010 m 80000100 a1b2c3d4",
    "@6 bfc00014 m 80000101 ee",
    "@7 bfc00018 m 80000102 beef",
    "@15 bfc00038 m fffffff0 000000ff",
};

// A store of three bytes is one record, the number its bytes make in the core's byte order.
const EndianCase kEndianCases[] = {
    {"little", "", "@13 bfc00030 m 80000105 ccbbaa",
     "r01 00000011 r02 00000044 r03 00004433 r04 44332211 r05 beefeed4 r06 000000ee r07 0000beef "
     "r08 ffffffbe r09 ffffeed4 r10 ccbbaa00"},
    {"big", "-Pendian_script_tb.BIG_ENDIAN=1", "@13 bfc00030 m 80000105 aabbcc",
     "r01 00000011 r02 00000044 r03 00003344 r04 11223344 r05 a1eebeef r06 000000ee r07 0000beef "
     "r08 ffffffef r09 ffffa1ee r10 00aabbcc"},
    {"big_two_waits", "-Pendian_script_tb.BIG_ENDIAN=1 -Pendian_script_tb.LATENCY=2",
     "@13 bfc00030 m 80000105 aabbcc",
     "r01 00000011 r02 00000044 r03 00003344 r04 11223344 r05 a1eebeef r06 000000ee r07 0000beef "
     "r08 ffffffef r09 ffffa1ee r10 00aabbcc"},
};

class EndianTest : public ::testing::TestWithParam<EndianCase> {};

// One program of byte, halfword, word and partial-word stores and loads, run by a core of each byte
// order on the board and traced: the stores name the same byte addresses and values, the loads
// read what that byte order gives from the ROM file's bytes and from the stores.
TEST_P(EndianTest, StoresTraceTheSameBytesAndLoadsReadTheirByteOrder) {
    const EndianCase& c = GetParam();
    const ScratchFolder dir("coretest-endian");
    std::ofstream(dir.path() / "rom.hex") << "44332211\n";
    const CliResult run =
        simulate(dir, "endian_script_tb", c.params, "+rom=rom.hex +trace=t.trace");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("endian_script_tb: end mark 1, trace_end 1, errors 0"),
              std::string::npos)
        << run.out;
    std::vector<std::string> stores;
    std::string loads;
    std::istringstream trace(readAll(dir.path() / "t.trace"));
    for (std::string line; std::getline(trace, line);) {
        if (line.find(" m ") != std::string::npos)
            stores.push_back(line);
        else
            loads += (loads.empty() ? "" : " ") + line.substr(line.find(" r") + 1);
    }
    std::vector<std::string> expected(std::begin(kEndianStores), std::end(kEndianStores));
    expected.insert(expected.begin() + 3, c.partial);
    EXPECT_EQ(stores, expected);
    EXPECT_EQ(loads, c.loads);
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, EndianTest, ::testing::ValuesIn(kEndianCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- bad input to the kit, in both simulators ----

struct BadInputCase {
    const char* name;
    const char* rom;      // the ROM file's text, "DIR" for a folder, "" for the ROM this build made
    const char* plusargs; // besides +rom
    const char* error;    // the line's start
    bool beforeRun;       // refused before the first cycle (no display write printed)
};

// A small program: lui $1, 0x1234 eight times, then nops (each lui a line of trace).
constexpr const char* kLuiLoop = "3c011234\n3c011234\n3c011234\n3c011234\n"
                                 "3c011234\n3c011234\n3c011234\n3c011234\n";

const BadInputCase kBadInputCases[] = {
    {"empty_rom", "\n", "", "coretest: ERROR the ROM file rom.hex holds no word", true},
    {"rom_names_no_file", "NONE", "", "coretest: ERROR +rom= names no file", true},
    {"folder_rom", "DIR", "", "coretest: ERROR the ROM file rom.hex is a folder", true},
    {"letter_in_rom", "3c1c8000\n0000000g\n", "",
     "coretest: ERROR the ROM file rom.hex, line 2: byte 0x67 is not a hexadecimal digit", true},
    {"x_in_rom", "3c1c8000\nxxxxxxxx\n", "",
     "coretest: ERROR the ROM file rom.hex, line 2: byte 0x78 is not a hexadecimal digit", true},
    {"long_word_in_rom", "123456789\n", "",
     "coretest: ERROR the ROM file rom.hex, line 1: a number longer than 8 hexadecimal digits",
     true},
    {"address_past_the_rom", "@20000\n00000000\n", "",
     "coretest: ERROR the ROM file rom.hex, line 2: beyond the ROM's 131072 words", true},
    {"switch_not_hex", "", "+switch=zz",
     "coretest: ERROR +switch takes a hexadecimal word of 1 to 8 digits, not 'zz'", true},
    {"switch_empty", "",
     "+switch=", "coretest: ERROR +switch takes a hexadecimal word of 1 to 8 digits, not ''", true},
    {"max_cycles_not_a_number", kLuiLoop, "+max_cycles=abc",
     "coretest: ERROR +max_cycles takes a decimal number of cycles, not 'abc'", true},
    {"trace_to_a_full_disk", kLuiLoop, "+trace=/dev/full +max_cycles=3000",
     "coretest: ERROR cannot write the trace file /dev/full: No space left on device", false},
};

class KitBadInputTest : public ::testing::TestWithParam<std::tuple<const char*, BadInputCase>> {};

// A bad ROM file or plusarg gets one line "coretest: ERROR ..." and no PASS or FAIL summary, in
// Icarus and in Verilator; wrong input found before the run ends it before its first cycle.
TEST_P(KitBadInputTest, EndsWithOneErrorLineAndNoVerdict) {
    const std::string simulator = std::get<0>(GetParam());
    const BadInputCase& c = std::get<1>(GetParam());
    const ScratchFolder dir("coretest-kit-input");
    std::string rom = std::string(CORETEST_HDL_BINARY_DIR) + "/coretest.hex";
    if (std::string(c.rom) == "NONE") {
        rom = "";
    } else if (std::string(c.rom) == "DIR") {
        std::filesystem::create_directory(dir.path() / "rom.hex");
        rom = "rom.hex";
    } else if (*c.rom != '\0') {
        std::ofstream(dir.path() / "rom.hex") << c.rom;
        rom = "rom.hex";
    }
    const std::string run =
        simulator == "verilator"
            ? std::string(CORETEST_SIM_PATH)
            : std::string(CORETEST_VVP) + " -n " + CORETEST_HDL_BINARY_DIR + "/coretest_tb.vvp";
    const CliResult r =
        runCommand("cd " + dir.path().string() + " && " + run + " +rom=" + rom + " " + c.plusargs);
    const auto errors = capturesOf(r.out, "(coretest: ERROR[^\n]*)");
    ASSERT_EQ(errors.size(), 1u) << r.out << r.err;
    EXPECT_EQ(errors[0].rfind(c.error, 0), 0u) << errors[0];
    EXPECT_EQ(capturesOf(r.out, "(coretest: (?:PASS|FAIL))").size(), 0u) << r.out;
    if (c.beforeRun) {
        EXPECT_EQ(r.out.find("display 0x"), std::string::npos) << r.out;
    }
    EXPECT_EQ(r.err.find("Abort"), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Simulators, KitBadInputTest,
                         ::testing::Combine(::testing::Values("verilator", "icarus"),
                                            ::testing::ValuesIn(kBadInputCases)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) + "_" +
                                    std::get<1>(info.param).name;
                         });

} // namespace
} // namespace coretest_test
