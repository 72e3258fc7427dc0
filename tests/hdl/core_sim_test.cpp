// Our core in the template top: both ROMs pass in Verilator and in Icarus Verilog (through
// scripts/sim-core.sh) with a trace that `coretest compare` accepts, each bug knob fails each ROM
// where the reference core with the matching catalogue fault does, and the Verilator model's exit
// status follows the summary (0 pass, 1 fail, 2 bad input).
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "hdl/hdl_support.h"

namespace coretest_test {
namespace {

const std::string kHex = CORETEST_HDL_BINARY_DIR "/coretest.hex";
const std::string kCli = CORETEST_CLI_PATH;

std::string verilatorRun(const std::string& plusargs, const std::string& hex = kHex) {
    return std::string(CORETEST_SIM_PATH) + " +rom=" + hex + " +switch=1 +max_cycles=2000000 " +
           plusargs;
}

// The second ROM for $readmemh, exported into the test's own folder (the build exports only the
// first; scripts/sim-core.sh exports the second into the build when it runs it).
std::string exportSecondRom(const ScratchFolder& dir) {
    const std::string hex = (dir.path() / "coretest2.hex").string();
    const CliResult exported =
        runCommand(kCli + " export --rom 2 --format hex --size 524288 -o " + hex);
    EXPECT_EQ(exported.status, 0) << exported.err;
    return hex;
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
        CORETEST_SOURCE_DIR
        "/scripts/sim-core.sh icarus --top coretest_tb -f " CORETEST_HDL_BINARY_DIR
        "/coretest_core.f --build " CORETEST_BINARY_DIR " --work " +
        (dir.path() / "work").string() + " --trace " + (dir.path() / "core.trace").string());
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(capturesOf(run.out, "(coretest: PASS: verdict pass, 58 of 58 routines passed)"),
              std::vector<std::string>{"coretest: PASS: verdict pass, 58 of 58 routines passed"})
        << run.out;
    EXPECT_EQ(capturesOf(run.out, "(?:^|\n)display (0x[0-9a-f]{8}):").size(), 59u);
    EXPECT_NE(run.out.find("the traces agree"), std::string::npos) << run.out;
}

// The second ROM: sub-word memory, lwl/lwr/swl/swr, coprocessor 0 and every exception, hazards.
TEST(CoreSim, VerilatorPassesTheSecondRomWithAnAgreeingTrace) {
    const ScratchFolder dir("coretest-verilator-rom2");
    const std::string trace = (dir.path() / "core.trace").string();
    const CliResult run = runCommand(verilatorRun("+trace=" + trace, exportSecondRom(dir)));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(capturesOf(run.out, "(coretest: PASS: verdict pass, 24 of 24 routines passed)"),
              std::vector<std::string>{"coretest: PASS: verdict pass, 24 of 24 routines passed"})
        << run.out;
    const auto displays = capturesOf(run.out, "(?:^|\n)display (0x[0-9a-f]{8}):");
    ASSERT_EQ(displays.size(), 25u) << run.out; // boot, then routines 59 to 82
    EXPECT_EQ(displays.back(), "0x52000018");
    const CliResult compare = runCommand(kCli + " compare --rom 2 " + trace);
    EXPECT_EQ(compare.status, 0) << compare.out << compare.err;
    EXPECT_NE(compare.out.find("the traces agree"), std::string::npos) << compare.out;
}

TEST(CoreSim, IcarusPassesTheSecondRomWithAnAgreeingTrace) {
    const ScratchFolder dir("coretest-icarus-rom2");
    const CliResult run = runCommand(
        CORETEST_SOURCE_DIR
        "/scripts/sim-core.sh icarus --rom 2 --top coretest_tb -f " CORETEST_HDL_BINARY_DIR
        "/coretest_core.f --build " CORETEST_BINARY_DIR " --work " +
        (dir.path() / "work").string() + " --trace " + (dir.path() / "core.trace").string());
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(capturesOf(run.out, "(coretest: PASS: verdict pass, 24 of 24 routines passed)"),
              std::vector<std::string>{"coretest: PASS: verdict pass, 24 of 24 routines passed"})
        << run.out;
    EXPECT_EQ(capturesOf(run.out, "(?:^|\n)display (0x[0-9a-f]{8}):").size(), 25u);
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

// What the reference core with a catalogue fault shows on the board: the display writes (boot,
// each routine's result word, and last what the board holds, which the handler of the second ROM
// writes after an exception nobody announced) and the verdict.
struct ReferenceBoard {
    std::vector<std::string> displays;
    std::string verdict;
};

ReferenceBoard referenceWithFault(const Knob& knob, int rom) {
    const CliResult ref = runCommand(kCli + " run --rom " + std::to_string(rom) + " --fault " +
                                     knob.fault + " --switch 1 --limit 1700000 --json");
    EXPECT_NE(ref.status, 2) << "knob " << knob.name << ": its fault " << knob.fault
                             << " is not in the reference core's catalogue: " << ref.err;
    if (ref.status == 2) return {};
    const auto doc = nlohmann::json::parse(ref.out);
    ReferenceBoard board;
    const auto word = [](const nlohmann::json& v) {
        return fmt::format("0x{:08x}", v.get<std::uint32_t>());
    };
    for (const auto& boot : doc["boot"])
        if (boot["register"] == "DISPLAY_REG") board.displays.push_back(word(boot["value"]));
    for (const auto& routine : doc["routines"])
        board.displays.push_back(word(routine["result_word"]));
    board.displays.push_back(word(doc["board"]["display"]));
    board.verdict = doc["verdict"].get<std::string>();
    return board;
}

// Our core with the knob against the reference core with its fault, on one ROM.
void expectKnobAgrees(const Knob& knob, int rom, const std::string& hex,
                      const std::string& plusargs = "") {
    const ReferenceBoard expected = referenceWithFault(knob, rom);
    if (expected.verdict.empty()) return;
    const CliResult rtl = runCommand(verilatorRun("+bug=" + knob.name + " " + plusargs, hex));
    EXPECT_EQ(withoutRepeats(capturesOf(rtl.out, "(?:^|\n)display (0x[0-9a-f]{8}):")),
              withoutRepeats(expected.displays))
        << rtl.out;
    EXPECT_EQ(verdictOfSummary(rtl.out), expected.verdict) << rtl.out;
    EXPECT_EQ(rtl.status, expected.verdict == "pass" ? 0 : 1) << rtl.out;
}

// Where each routine ended in a commit trace: its display word, and the pc of the last write
// before the routine's report (the report's own writes lie in the 12 bytes before its display
// store), which is in the case that failed, or in the last case when all passed.
std::vector<std::string> routineEnds(const std::string& path) {
    constexpr const char* kDisplayReg = "fffff010";
    std::ifstream in(path);
    std::vector<std::string> ends;
    std::vector<std::uint32_t> writes; // pcs of the writes since the last display store
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string pc, kind, where, value;
        fields >> pc;
        if (!pc.empty() && pc[0] == '@') fields >> pc;
        fields >> kind >> where >> value;
        const bool isWrite =
            kind == "m" || kind == "hi" || kind == "lo" || (kind.size() == 3 && kind[0] == 'r');
        if (pc.size() != 8 || !isWrite) continue;
        const auto at = static_cast<std::uint32_t>(std::stoul(pc, nullptr, 16));
        if (kind == "m" && where == kDisplayReg) {
            std::string last = "none";
            for (auto w = writes.rbegin(); w != writes.rend(); ++w)
                if (*w > at || *w + 12 < at) {
                    last = fmt::format("{:08x}", *w);
                    break;
                }
            ends.push_back("display " + value + " after a write at " + last);
            writes.clear();
        } else {
            writes.push_back(at);
        }
    }
    return withoutRepeats(ends);
}

TEST_P(BugKnobTest, FailsWhereTheMatchingFaultFails) {
    expectKnobAgrees(GetParam(), 1, kHex);
}

// The second ROM as well, but for two knobs whose fault parts from the hardware there:
// - fwd-ex-ex: in the boot code, before any routine, the fault (which counts cycles) and the
//   hardware go wrong in different ways (no verdict either way);
// - lui-low-half: the reference core does not apply the fault to the lui at the exception vector
//   (the vector's stop point takes that word), so its handler still reaches the board, while
//   our core's handler stores to 0x00008000 again and again (data bus errors).
TEST_P(BugKnobTest, FailsTheSecondRomWhereTheMatchingFaultFails) {
    if (GetParam().name == "fwd-ex-ex" || GetParam().name == "lui-low-half")
        GTEST_SKIP() << "its fault parts from the hardware on the second ROM";
    const Knob& knob = GetParam();
    const ScratchFolder dir("coretest-knob-rom2");
    const std::string rtlTrace = (dir.path() / "rtl.trace").string();
    expectKnobAgrees(knob, 2, exportSecondRom(dir), "+trace=" + rtlTrace);
    // The same case fails: each routine's last write before its report is at the same pc.
    const std::string refTrace = (dir.path() / "ref.trace").string();
    const CliResult traced = runCommand(kCli + " trace --rom 2 --fault " + knob.fault +
                                        " --limit 1700000 -o " + refTrace);
    ASSERT_NE(traced.status, 2) << traced.err;
    const auto expected = routineEnds(refTrace);
    EXPECT_GE(expected.size(), 2u);
    EXPECT_EQ(routineEnds(rtlTrace), expected);
}

// The knobs that the first ROM cannot see (byte enables, stores in delay slots, sub-word loads,
// coprocessor 0: their faults pass it) fail the second ROM on our core.
TEST(BugKnobTable, SecondRomCatchesWhatTheFirstCannot) {
    const ScratchFolder dir("coretest-knob-rom2-caught");
    const std::string hex = exportSecondRom(dir);
    for (const char* knob :
         {"store-ignores-byte-enables", "delay-slot-store-dropped", "lb-zero-extends",
          "sh-wrong-lane", "lwl-no-merge", "epc-at-delay-slot", "rfe-no-pop",
          "syscall-break-swapped", "status-not-pushed", "badvaddr-aligned"}) {
        const CliResult second = runCommand(verilatorRun(std::string("+bug=") + knob, hex));
        EXPECT_EQ(verdictOfSummary(second.out), "fail") << knob << "\n" << second.out;
        EXPECT_EQ(second.status, 1) << knob;
    }
}

INSTANTIATE_TEST_SUITE_P(Knobs, BugKnobTest, ::testing::ValuesIn(knobTable()),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
} // namespace coretest_test
