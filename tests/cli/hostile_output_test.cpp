// Outputs that would destroy an input, and user text with terminal control bytes: each command
// refuses them in one line with status 2, leaves the input as it was, and shows the text escaped.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using coretest_test::readAll;
using coretest_test::runCli;
using coretest_test::scratchDir;

struct Case {
    const char* what;
    std::string args;
    int status;
    std::string errorWords;
};

TEST(HostileOutput, AnOutputThatIsAnInputIsRefusedAndTheInputKept) {
    const fs::path rom = scratchDir() / "self.elf";
    fs::copy_file(CORETEST_ROM_PATH, rom, fs::copy_options::overwrite_existing);
    const std::string original = readAll(rom);
    const fs::path link = scratchDir() / "link.elf";
    fs::remove(link);
    fs::create_hard_link(rom, link);
    const std::string r = "'" + rom.string() + "'", l = "'" + link.string() + "'";
    const Case cases[] = {
        {"export -o", "export --format hex -o " + r + " " + r, 2, "the output is the input"},
        {"export -o, a hard link", "export --format bin -o " + l + " " + r, 2,
         "the output is the input"},
        {"trace -o", "trace --limit 10 -o " + r + " " + r, 2, "the output is the input"},
        {"faults --html", "faults --only lui-low-half --html " + r + " " + r, 2,
         "the output is the input"},
    };
    for (const auto& c : cases) {
        const auto res = runCli(c.args);
        EXPECT_EQ(res.status, c.status) << c.what << ": " << res.err;
        EXPECT_NE(res.err.find(c.errorWords), std::string::npos) << c.what << ": " << res.err;
        EXPECT_EQ(readAll(rom), original) << c.what << ": the input was changed";
    }
}

TEST(HostileOutput, ControlBytesInUserTextAreShownEscaped) {
    const Case cases[] = {
        // The shell's printf makes the bytes: /bin/sh need not know $'...'.
        {"run --fault", "run --fault \"$(printf '\\033[31mx\\377')\"", 2, "'\\x1b[31mx\\xff'"},
        {"trace --fault", "trace --fault \"$(printf 'lui-low-half@\\033[2J')\" -o /dev/null", 2,
         "'lui-low-half@\\x1b[2J'"},
        {"faults --only", "faults --only \"$(printf '\\033]0;t\\007')\"", 2, "'\\x1b]0;t\\x07'"},
        {"--switch", "run --switch \"$(printf '\\033[2J')\"", 2, "'\\x1b[2J'"},
        {"export --format", "export --format \"$(printf '\\377')\" -o /dev/null", 2, "'\\xff'"},
        {"unknown command", "\"$(printf '\\033[2J')\"", 2, "'\\x1b[2J'"},
    };
    for (const auto& c : cases) {
        const auto res = runCli(c.args);
        EXPECT_EQ(res.status, c.status) << c.what << ": " << res.err;
        EXPECT_NE(res.err.find(c.errorWords), std::string::npos) << c.what << ": " << res.err;
        EXPECT_EQ(res.err.find('\x1b'), std::string::npos) << c.what << ": raw ESC";
        EXPECT_EQ(res.err.find('\n'), res.err.size() - 1) << c.what << ": not one line";
    }
}

TEST(HostileOutput, RepeatedFaultsAreMergedAndTooManyDifferentOnesRefused) {
    std::string repeated, many;
    for (int i = 0; i < 500; ++i)
        repeated += " --fault lui-low-half";
    for (int i = 0; i < 65; ++i)
        many += " --fault lui-low-half@r" + std::to_string(i);
    const auto once = runCli("run --fault lui-low-half");
    const auto merged = runCli("run" + repeated);
    EXPECT_EQ(merged.status, once.status) << merged.err;
    EXPECT_EQ(merged.err, once.err);
    const auto refused = runCli("run" + many);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("more than 64 different faults"), std::string::npos) << refused.err;
}

} // namespace
