// The coretest tool as a user meets it: exit statuses, one-line errors for bad input, the run
// report in text and JSON.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_runner.h"

namespace {

namespace fs = std::filesystem;

using coretest_test::runCli;
using coretest_test::scratchDir;
using Result = coretest_test::CliResult;
using coretest_test::readAll;

// A copy of the ROM with some bytes changed, or cut short.
fs::path mutatedRom(const std::string& name, std::size_t offset, std::vector<unsigned char> bytes,
                    std::size_t truncateTo = 0) {
    std::string data = readAll(CORETEST_ROM_PATH);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        data[offset + i] = static_cast<char>(bytes[i]);
    if (truncateTo) data.resize(truncateTo);
    const fs::path p = scratchDir() / name;
    std::ofstream(p, std::ios::binary) << data;
    return p;
}

int lines(const std::string& s) {
    return static_cast<int>(std::count(s.begin(), s.end(), '\n'));
}

struct BadInput {
    const char* what;
    std::string args;
    const char* mentions; // the error line names this
    friend void PrintTo(const BadInput& c, std::ostream* os) {
        *os << c.what << ": coretest " << c.args;
    }
};

class CliBadInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(CliBadInput, OneLineErrorAndStatus2) {
    const BadInput& c = GetParam();
    const Result r = runCli(c.args);
    EXPECT_EQ(r.status, 2) << c.what << "\n" << r.out << r.err;
    EXPECT_EQ(lines(r.err), 1) << c.what << ": " << r.err;
    EXPECT_NE(r.err.find(c.mentions), std::string::npos) << c.what << ": " << r.err;
}

std::vector<BadInput> badInputs() {
    const fs::path text = scratchDir() / "notes.txt";
    std::ofstream(text) << "not an executable\n";
    // ELF header offsets: EI_CLASS 4, EI_DATA 5, e_machine 18; first program header at 52 with
    // p_vaddr at +8 and p_paddr at +12.
    return {
        {"missing file", "run /nonexistent/rom.elf", "/nonexistent/rom.elf"},
        {"not an ELF", "run " + text.string(), "notes.txt"},
        {"wrong class", "run " + mutatedRom("class.elf", 4, {2}).string(), "class.elf"},
        {"wrong endianness", "run " + mutatedRom("endian.elf", 5, {2}).string(), "endian.elf"},
        {"wrong machine", "run " + mutatedRom("machine.elf", 18, {62, 0}).string(), "machine.elf"},
        {"segment outside the board's memory",
         "run " + mutatedRom("outside.elf", 52 + 8, {0, 0, 0, 0x10, 0, 0, 0, 0x10}).string(),
         "outside.elf"},
        {"segment beyond the end of the file",
         "run " + mutatedRom("short.elf", 0, {}, 0x12000).string(), "short.elf"},
        {"unknown fault", "run --switch 1 --fault no-such-fault", "no-such-fault"},
        {"fault in an unknown routine", "run --switch 1 --fault lui-low-half@n99_nothing_test",
         "n99_nothing_test"},
        {"malformed switch", "run --switch 12z", "--switch"},
        {"switch too large", "run --switch 0x100000000", "--switch"},
        {"malformed limit", "run --limit many", "--limit"},
        {"unknown option", "run --frobnicate", "frobnicate"},
        {"unknown subcommand", "launch", "launch"},
    };
}

INSTANTIATE_TEST_SUITE_P(Run, CliBadInput, ::testing::ValuesIn(badInputs()), [](const auto& info) {
    std::string name = info.param.what;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

TEST(CliRun, PassingRunReportsEveryRoutineAndExits0) {
    const Result r = runCli("run --switch 1");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("boot: LAMP_B_REG 0x00000002, LAMP_A_REG 0x00000001, LED_BANK_REG "
                         "0x0000ffff, DISPLAY_REG 0x00000000"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("n1_lui_test"), std::string::npos);
    EXPECT_NE(r.out.find("0x3a00003a  pass"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("verdict: pass, 58 of 58 routines passed"), std::string::npos) << r.out;
}

TEST(CliRun, JsonDocumentHoldsTheSameRun) {
    const Result r = runCli("run --switch 1 --json");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j["routines"].size(), 58u);
    for (std::size_t i = 0; i < 58; ++i) {
        EXPECT_EQ(j["routines"][i]["number"], i + 1);
        EXPECT_EQ(j["routines"][i]["result_word"], ((i + 1) << 24) | (i + 1));
        EXPECT_EQ(j["routines"][i]["passed"], true);
    }
    EXPECT_EQ(j["verdict"], "pass");
    EXPECT_EQ(j["board"]["led_bank"], 0xffff);
    EXPECT_EQ(j["board"]["end_mark"], 0xff);
}

TEST(CliRun, CoreThatNeverTakesTheResetJumpHasNoVerdictAndExits1) {
    const Result r = runCli("run --switch 1 --fault no-reset-jump");
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("boot: no board write"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("no verdict"), std::string::npos) << r.out;
}

TEST(CliRun, InstructionLimitEndsTheRunWithoutVerdict) {
    const Result r = runCli("run --switch 0 --limit 100000");
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("still running at the instruction limit"), std::string::npos) << r.out;
}

} // namespace
