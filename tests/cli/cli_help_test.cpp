// What the tool tells a user who mistypes, asks for its version, decodes a log of display words,
// runs the ROM strictly or exports it: the answers, the suggestions and the exit statuses.
#include <gtest/gtest.h>

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
using coretest_test::readAll;
using coretest_test::runCli;
using coretest_test::scratchDir;
using coretest_test::shell;

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(CliSuggestions, MistypedNamesGetTheNearestOneAndStatus2) {
    const struct {
        const char* args;
        const char* suggests; // nullptr: nothing is close enough to suggest
    } cases[] = {
        {"rnu", "did you mean 'run'?"},
        {"decdoe 08000007", "did you mean 'decode'?"},
        {"run --swtich 1", "did you mean '--switch'?"},
        {"faults --olny slt", "did you mean '--only'?"},
        {"run --fault slt-compares-unsinged", "did you mean 'slt-compares-unsigned'?"},
        {"run --fault slt-compares-unsinged", "faults --list"},
        {"frobnicate", nullptr},
        {"run --frobnicate-everything", nullptr},
    };
    for (const auto& c : cases) {
        const auto r = runCli(c.args);
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.out << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.args << ": " << r.err;
        if (c.suggests)
            EXPECT_TRUE(has(r.err, c.suggests)) << c.args << ": " << r.err;
        else
            EXPECT_FALSE(has(r.err, "did you mean")) << c.args << ": " << r.err;
    }
}

TEST(CliHelp, EveryOptionSaysWhatItTakes) {
    for (const char* command :
         {"run", "trace", "compare", "decode", "export", "faults", "diagnose"}) {
        const auto r = runCli(std::string(command) + " --help");
        EXPECT_EQ(r.status, 0) << command << ": " << r.err;
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);)
            EXPECT_FALSE(has(line, " TEXT") && !has(line, "TEXT:{")) // a set shows its words
                << command << ": " << line;
    }
    EXPECT_TRUE(has(runCli("run --help").out, "--fault NAME[@ROUTINE]"));
    EXPECT_TRUE(has(runCli("export --help").out, "-o,--output FILE"));
}

TEST(CliVersion, VersionLineAndStatus0) {
    const auto r = runCli("--version");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("coretest ")) << r.out;
    EXPECT_TRUE(std::any_of(r.out.begin(), r.out.end(), ::isdigit)) << r.out;
}

TEST(CliDecode, SequencesFromArgumentsLogsAndStandardInput) {
    const fs::path log = scratchDir() / "sim.log";
    {
        std::ofstream out(log);
        out << "coretest board: reset\n";
        unsigned passed = 0;
        for (unsigned r = 1; r <= 58; ++r) {
            if (r != 8 && r != 46) ++passed;
            out << "display 0x" << std::hex << (r << 24 | passed) << std::dec << ": routine " << r
                << "\n";
        }
    }
    const struct {
        std::string args;
        int status;
        std::vector<const char*> says;
    } cases[] = {
        {"decode --file " + log.string(),
         1,
         {"routine 8 (n8_slt_test, slt) failed", "routine 46 (n46_mult_test, mult) failed",
          "verdict: FAIL, 56 of 58"}},
        {"decode 01000001 02000002 03000002", 1, {"routine 3", "failed", "verdict: none yet"}},
        {"decode 01000001 05000004 06000005", 1, {"routines 2 to 5", "1 of 4 failed"}},
        {"decode 0x39000039 0x3a00003a", 0, {"every routine up to 58 passed", "verdict: pass"}},
        {"decode 08000007 --previous 0", 1, {"routine 8", "7 of routines 1 to 8 passed"}},
        {"decode 0x31000030", 1, {"besides mflo it relies on: ", "mtlo"}},
    };
    for (const auto& c : cases) {
        const auto r = runCli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out << r.err;
        for (const char* s : c.says)
            EXPECT_TRUE(has(r.out, s)) << c.args << ": " << s << "\n" << r.out;
    }
    const fs::path out = scratchDir() / "stdin.out";
    EXPECT_EQ(shell(std::string(CORETEST_CLI_PATH) + " decode --file - <" + log.string() + " >" +
                    out.string()),
              1);
    EXPECT_TRUE(has(readAll(out), "routine 46 (n46_mult_test, mult) failed")) << readAll(out);
}

TEST(CliRun, StrictMemoryRulesAndTheStoppingPc) {
    const struct {
        std::string args;
        int status;
        const char* says;
    } cases[] = {
        {"run --switch 1 --strict", 0, "strict memory: 0 violations"},
        {"run --switch 1 --strict --fault offset-zero-extended-lw@n6_lw_test", 1,
         "memory rule broken: "},
        {"run --switch 1 --strict --json", 0, "\"memory_violations\": []"},
    };
    for (const auto& c : cases) {
        const auto r = runCli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out << r.err;
        EXPECT_TRUE(has(r.out, c.says)) << c.args << "\n" << r.out;
    }
    EXPECT_EQ(runCli("run --core unicorn --strict").status, 2);
    // At the limit the JSON document names the pc the text shows.
    const auto text = runCli("run --switch 1 --limit 5000");
    const auto json = nlohmann::json::parse(runCli("run --switch 1 --limit 5000 --json").out);
    char pc[16];
    std::snprintf(pc, sizeof pc, "0x%08x", json.at("pc").get<unsigned>());
    EXPECT_TRUE(has(text.out, std::string("pc ") + pc)) << pc << "\n" << text.out;
}

TEST(CliExport, SizeBelowTheImageIsRefused) {
    const auto r = runCli("export --format bin --size 1024 -o -");
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(has(r.err, "smaller than the image")) << r.err;
}

TEST(CliExport, SameBytesFromAnyFolder) {
    for (const char* format : {"hex", "coe", "mif"}) {
        std::vector<std::string> exports;
        for (const char* folder : {"a", "deeper/b"}) {
            const fs::path dir = scratchDir() / "export" / folder;
            fs::create_directories(dir);
            fs::copy_file(CORETEST_ROM_PATH, dir / "coretest.elf",
                          fs::copy_options::overwrite_existing);
            const fs::path out = dir / "rom.out";
            const auto r = runCli("export " + (dir / "coretest.elf").string() + " --format " +
                                  format + " -o " + out.string());
            ASSERT_EQ(r.status, 0) << r.err;
            exports.push_back(readAll(out));
            EXPECT_FALSE(has(exports.back(), scratchDir().string())) << format;
        }
        EXPECT_EQ(exports[0], exports[1]) << format;
    }
}

} // namespace
