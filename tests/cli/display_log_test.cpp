// The logs `coretest decode --file` and `coretest diagnose --log` read, through one reader: the
// same lines count for both (a word after "display", a display store, a word alone; never a 0x
// word inside the kit's own messages), gzip is inflated, a folder or a source without line ends
// is refused with one line and exit 2, and a long log keeps only its last words.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

// A board log of the HDL kit: its own lines (with 0x words that are no display words), then the
// display after each routine; routines 8 and 46 fail.
fs::path kitLog() {
    const fs::path log = scratchDir() / "kit.log";
    std::ofstream out(log);
    out << "kit: loaded 0x00000400 words at 0xbfc00000\n"
        << "kit: watchdog 0x001e8480 cycles\n";
    unsigned passed = 0;
    for (unsigned r = 1; r <= 58; ++r) {
        if (r != 8 && r != 46) ++passed;
        out << "display 0x" << std::hex << (r << 24 | passed) << std::dec << ": routine " << r
            << "\n";
    }
    out << "kit: stopped at pc 0xbfc00abc\r\n";
    return log;
}

TEST(DisplayLog, DecodeAndDiagnoseReadTheSameWords) {
    const fs::path log = kitLog();
    const auto decoded = runCli("decode --file " + log.string());
    EXPECT_EQ(decoded.status, 1) << decoded.out << decoded.err;
    EXPECT_TRUE(has(decoded.out, "58 display words from 0x01000001 to 0x3a000038"))
        << decoded.out;
    const auto diagnosed = runCli("diagnose --top 1 --log " + log.string());
    EXPECT_EQ(diagnosed.status, 1) << diagnosed.out << diagnosed.err;
    // The kit's own 0x words would have made 61 words, the last one no result word.
    EXPECT_TRUE(has(diagnosed.out, "58 display words, last 0x3a000038")) << diagnosed.out;
}

TEST(DisplayLog, GzipIsReadAsTheLogItHolds) {
    const fs::path log = kitLog();
    ASSERT_EQ(shell("gzip -c " + log.string() + " >" + log.string() + ".gz"), 0);
    const auto r = runCli("decode --file " + log.string() + ".gz");
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_TRUE(has(r.out, "routine 46 (n46_mult_test, mult) failed")) << r.out;
    const fs::path out = scratchDir() / "gzip.out";
    EXPECT_EQ(shell(std::string(CORETEST_CLI_PATH) + " diagnose --top 1 --log - <" +
                    log.string() + ".gz >" + out.string()),
              1);
    EXPECT_TRUE(has(readAll(out), "58 display words, last 0x3a000038")) << readAll(out);
}

TEST(DisplayLog, BadSourcesGetOneLineAndStatusTwo) {
    const fs::path control = scratchDir() / "ctl\x1b[2Jlog";
    std::ofstream(control) << "nothing here\n";
    const fs::path noWords = scratchDir() / "words.log";
    std::ofstream(noWords) << "kit: loaded 0x00000400 words\nhello\n";
    const fs::path corrupt = scratchDir() / "corrupt.gz";
    // A gzip header, then a deflate block of the reserved type.
    std::ofstream(corrupt, std::ios::binary)
        << std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\xff\xff\xff", 13);
    const struct {
        std::string args;
        std::string says;
    } cases[] = {
        {"decode --file " + scratchDir().string(), "is a directory"},
        {"diagnose --log " + scratchDir().string(), "is a directory"},
        {"decode --file /dev/zero", "/dev/zero:1: a line longer than 16384 bytes"},
        {"diagnose --log /dev/zero", "/dev/zero:1: a line longer than 16384 bytes"},
        {"decode --file " + noWords.string(), "no display word found in 2 lines"},
        {"diagnose --log " + noWords.string(), "no display word found in 2 lines"},
        {"decode --file " + corrupt.string(), "not a valid gzip stream"},
        {"decode --file " + (scratchDir() / "absent").string(), "cannot be read"},
        {"decode --file '" + control.string() + "'", "ctl\\x1b[2Jlog"},
        {"decode 'ab\x1b[2Jcd'", "ab\\x1b[2Jcd"},
        {"diagnose 'ab\x07'", "ab\\x07"},
        {"diagnose --lamps '2\x1b'", "2\\x1b"},
    };
    for (const auto& c : cases) {
        const auto r = runCli(c.args);
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.out << r.err;
        EXPECT_TRUE(has(r.err, c.says)) << c.args << "\n" << r.err;
        EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << c.args;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << c.args << ": one line\n" << r.err;
    }
}

TEST(DisplayLog, RepeatsCountOnceAndOnlyTheLastWordsAreKept) {
    // A display printed on every cycle: one word, however many lines.
    const fs::path out = scratchDir() / "repeat.out";
    ASSERT_EQ(shell("yes 08000007 | head -n 300000 | " + std::string(CORETEST_CLI_PATH) +
                    " decode --file - >" + out.string()),
              1);
    EXPECT_TRUE(has(readAll(out), "1 display word from 0x08000007 to 0x08000007"))
        << readAll(out);
    // A core that restarts the ROM for ever: the first words are left out, the last read.
    const fs::path runs = scratchDir() / "runs.log";
    {
        std::ofstream log(runs);
        for (int run = 0; run < 100; ++run)
            for (unsigned r = 1; r <= 58; ++r)
                log << "display 0x" << std::hex << (r << 24 | r) << std::dec << "\n";
    }
    const auto r = runCli("decode --file " + runs.string());
    EXPECT_EQ(r.status, 2) << r.out << r.err; // several runs: no one run shows these words
    EXPECT_TRUE(has(r.out, "5800 display words; the first 1704 left out, the last 4096 read"))
        << r.out << r.err;
}

} // namespace
