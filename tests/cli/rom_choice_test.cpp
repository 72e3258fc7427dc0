// The second ROM through every command that reads an image: --rom 1|2 beside the ELF file, the
// verdict counted over the image's own routines, the strict memory rules of the image at hand,
// and the same choice in scripts/sim-rom.sh.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
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

std::string lastLine(const std::string& text) {
    const auto end = text.find_last_not_of('\n');
    if (end == std::string::npos) return {};
    const auto begin = text.rfind('\n', end);
    return text.substr(begin == std::string::npos ? 0 : begin + 1, end - begin);
}

const std::string kRom1 = CORETEST_ROM_PATH;
const std::string kRom2 = CORETEST_ROM2_PATH;

TEST(CliRomChoice, TheSecondRomThroughEveryCommand) {
    const fs::path dir = scratchDir() / "rom2";
    fs::create_directories(dir);
    const std::string trace = (dir / "ref.trace").string();
    const std::string hex = (dir / "rom2.hex").string();
    const struct {
        std::string args;
        int status;
        std::vector<std::string> says;
    } cases[] = {
        {"run --rom 2 --switch 1",
         0,
         {"coretest run: " + kRom2, "82  n82_ri_test          0x52000018  pass",
          "verdict: pass, 24 of 24 routines passed"}},
        {"run --rom 1 --switch 1", 0, {"verdict: pass, 58 of 58 routines passed"}},
        {"run " + kRom2 + " --switch 1", 0, {"24 of 24 routines passed"}},
        {"run --rom 2 --switch 1 --fault add-ignores-overflow",
         1,
         {"77  n77_ov_test          0x4d000012  FAIL  case 1 of n77_ov_test",
          "verdict: FAIL, 23 of 24 routines passed"}},
        {"run --rom 2 --switch 1 --strict", 0, {"strict memory: 0 violations"}},
        // A store that lands beyond RAM is a memory fault the second ROM's rules still name.
        {"run --rom 2 --switch 1 --strict --fault offset-zero-extended-sw",
         1,
         {"memory rule broken: write of 4 bytes at 0x80040e70", "(n63_sb_test): outside the "
                                                                "board's memory"}},
        {"trace --rom 2 -o " + trace, 0, {"up to the end mark"}},
        {"compare " + trace + " --rom 2", 0, {"on " + kRom2, "the traces agree"}},
        {"compare " + trace + " --rom 1", 1, {"first divergence"}},
        {"export --rom 2 --format hex -o " + hex, 0, {"as hex to " + hex}},
    };
    for (const auto& c : cases) {
        const auto r = runCli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out << r.err;
        for (const auto& s : c.says)
            EXPECT_TRUE(has(r.out, s)) << c.args << ": " << s << "\n" << r.out;
    }
    // The trace runs to the end mark: its last record is the store of 0xff to END_MARK_REG.
    const std::string records = readAll(trace);
    EXPECT_TRUE(lastLine(records).ends_with(" m fffffff0 000000ff")) << lastLine(records);
    // The export is the second ROM's words, not the first's.
    EXPECT_EQ(readAll(hex), runCli("export " + kRom2 + " --format hex -o -").out);
    EXPECT_NE(readAll(hex), runCli("export --rom 1 --format hex -o -").out);
}

TEST(CliRomChoice, JsonRunListsTheSecondRomsRoutines) {
    const auto r = runCli("run --rom 2 --switch 1 --json");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["elf"], kRom2);
    EXPECT_EQ(j["verdict"], "pass");
    ASSERT_EQ(j["routines"].size(), 24u);
    for (unsigned i = 0; i < 24; ++i) {
        EXPECT_EQ(j["routines"][i]["number"], 59 + i);
        EXPECT_EQ(j["routines"][i]["result_word"], (59 + i) << 24 | (i + 1));
    }
    EXPECT_EQ(j["board"]["display"], 0x52000018u);
}

TEST(CliRomChoice, AnotherRomOrBothAnImageAndRomAreOneLineAndStatus2) {
    const std::string trace = (scratchDir() / "none.trace").string();
    const struct {
        std::string args;
        const char* says;
    } cases[] = {
        {"run --rom 3", "--rom '3': this build has the ROMs 1"},
        {"run --rom two", "--rom 'two'"},
        {"run " + kRom2 + " --rom 2", "name one of them"},
        {"run --rom 1 " + kRom1, "name one of them"},
        {"trace --rom 3 -o -", "--rom '3'"},
        {"trace " + kRom1 + " --rom 2 -o -", "name one of them"},
        {"compare " + trace + " --rom 0", "--rom '0'"},
        {"compare " + trace + " " + kRom1 + " --rom 2", "name one of them"},
        {"export --rom 3 --format hex -o -", "--rom '3'"},
        {"export " + kRom2 + " --rom 2 --format hex -o -", "name one of them"},
        {"faults --list --rom 3", "--rom '3'"},
        {"faults --list " + kRom1 + " --rom 1", "name one of them"},
        {"diagnose 01000001 --rom 3", "--rom '3'"},
        {"diagnose 01000001 --elf " + kRom1 + " --rom 2", "name one of them"},
    };
    for (const auto& c : cases) {
        const auto r = runCli(c.args);
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.out << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.args << ": " << r.err;
        EXPECT_TRUE(has(r.err, c.says)) << c.args << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << c.args << ": " << r.out;
    }
}

TEST(SimRomScript, RomChoiceIsCheckedBeforeAnythingIsBuilt) {
    const fs::path build = scratchDir() / "sim-rom-build";
    const std::string scripts = std::string(CORETEST_SOURCE_DIR) + "/scripts/";
    // sim-core.sh reads its sources before the options: a readable file stands for one.
    const std::string source = std::string(CORETEST_SOURCE_DIR) + "/README.md";
    const fs::path err = scratchDir() / "sim-rom.err";
    const struct {
        const char* rom;
        const char* says;
    } cases[] = {
        {"3", "--rom takes 1 (the first ROM), 2 (the second) or an image FILE.elf"},
        {"0", "--rom takes 1 (the first ROM), 2 (the second) or an image FILE.elf"},
        {"first", "--rom takes 1 (the first ROM), 2 (the second) or an image FILE.elf"},
        {"''", "--rom takes 1 (the first ROM), 2 (the second) or an image FILE.elf"},
        {"/nonexistent/r7.elf", "cannot read the image '/nonexistent/r7.elf'"},
    };
    for (const auto& c : cases) {
        for (const std::string& command :
             {scripts + "sim-rom.sh icarus --rom " + c.rom,
              scripts + "sim-core.sh icarus --top tb " + source + " --rom " + c.rom}) {
            const int status = shell(command + " --build '" + build.string() + "' >/dev/null 2>'" +
                                     err.string() + "'");
            EXPECT_EQ(status, 2) << command;
            const std::string text = readAll(err);
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << command << ": " << text;
            EXPECT_TRUE(has(text, c.says)) << text;
            EXPECT_FALSE(fs::exists(build)) << command << ": built before checking --rom";
        }
    }
}

} // namespace
