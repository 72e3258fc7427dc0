// The seeds as typed, and what a random image's display words say: each verdict from the words
// and how the command ended.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coretest/image.h"
#include "coretest/regress_seeds.h"
#include "coretest/regress_verdict.h"

namespace {

using namespace coretest::regress;
using Seeds = std::vector<std::uint64_t>;

TEST(RegressSeeds, RangesAndLists) {
    struct Row {
        std::string text;
        Seeds seeds;
    };
    const std::vector<Row> rows = {
        {"5", {5}},
        {"1-4", {1, 2, 3, 4}},
        {"1,4,9-12", {1, 4, 9, 10, 11, 12}},
        {"7-7", {7}},
        {"0", {0}},
        {"18446744073709551615", {18446744073709551615u}},
        {"18446744073709551614-18446744073709551615",
         {18446744073709551614u, 18446744073709551615u}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(parseSeeds(r.text), r.seeds) << r.text;
    EXPECT_EQ(parseSeeds("1-1000").size(), 1000u);
}

TEST(RegressSeeds, BadSeedsAreOneLine) {
    struct Row {
        std::string text, message;
    };
    const std::vector<Row> rows = {
        {"", "'' is not a seed"},
        {"1,,2", "'' is not a seed"},
        {"1,", "'' is not a seed"},
        {"a", "'a' is not a seed"},
        {"-5", "'-5' is not a seed"},
        {"5-", "'5-' is not a seed"},
        {"1-2-3", "'1-2-3' is not a seed"},
        {"0x10", "'0x10' is not a seed"},
        {" 1", "' 1' is not a seed"},
        {"18446744073709551616", "is not a seed"},
        {"9-3", "the range 9-3 ends below its start"},
        {"1-5,3", "seed 3 is given twice"},
        {"1-1000001", "more than 1000000 seeds"},
        {"1-600000,700000-1200000", "more than 1000000 seeds"},
        {"0-18446744073709551615", "more than 1000000 seeds"},
        {"1\x1b[2J", "'1\\x1b[2J' is not a seed"},
    };
    for (const Row& r : rows) {
        try {
            parseSeeds(r.text);
            ADD_FAILURE() << "accepted: " << r.text;
        } catch (const coretest::InputError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(r.message), std::string::npos) << what;
            EXPECT_EQ(what.rfind("--seeds '", 0), 0u) << what;
            EXPECT_EQ(what.find('\n'), std::string::npos);
        }
    }
}

TEST(RegressVerdict, FromTheWordsAndTheEnding) {
    struct Row {
        std::string name;
        std::vector<std::uint32_t> words;
        Ending ending;
        Verdict verdict;
        unsigned checkpoint;
        std::string detail;
    };
    const Ending ok{}, exit1{false, 1, 0}, killed{true, 0, 15}, signal{false, 0, 11};
    const std::vector<Row> rows = {
        {"all passed",
         {0, 0x01000001, 0x02000002, 0x03000003},
         ok,
         Verdict::Pass,
         3,
         "all 3 checkpoints passed"},
        {"only the last word", {0x03000003}, ok, Verdict::Pass, 3, ""},
        {"fail at 2",
         {0x01000001, 0x02000001},
         exit1,
         Verdict::Fail,
         2,
         "checkpoint 2 of 3 failed (display 0x02000001); the command exited 1"},
        {"fail at 1", {0x01000000}, ok, Verdict::Fail, 1, "checkpoint 1 of 3 failed"},
        {"the first failure counts",
         {0x01000001, 0x02000001, 0x03000002},
         exit1,
         Verdict::Fail,
         2,
         "checkpoint 2 of 3"},
        {"fail then timeout", {0x02000001}, killed, Verdict::Fail, 2, "killed after the timeout"},
        {"loops: pass again", {0x03000003, 0x01000001, 0x03000003}, ok, Verdict::Pass, 3, ""},
        {"loops: fail in the second pass",
         {0x03000003, 0x01000001, 0x02000001},
         exit1,
         Verdict::Fail,
         2,
         ""},
        {"stopped early",
         {0x01000001, 0x02000002},
         ok,
         Verdict::NoVerdict,
         2,
         "the display stopped at 0x02000002, checkpoint 2 of 3"},
        {"nothing", {}, ok, Verdict::NoVerdict, 0, "no display word in its output"},
        {"only boot zero",
         {0},
         exit1,
         Verdict::CommandFailed,
         0,
         "the command exited 1 without a verdict; no display word"},
        {"pass shown, exit 1",
         {0x03000003},
         exit1,
         Verdict::CommandFailed,
         3,
         "the command exited 1 although the display shows every checkpoint passed"},
        {"signal", {0x01000001}, signal, Verdict::CommandFailed, 1, "ended by signal 11"},
        {"timeout",
         {0x01000001},
         killed,
         Verdict::TimedOut,
         1,
         "the command was killed after the timeout; the display stopped at 0x01000001"},
        {"timeout after a pass", {0x03000003}, killed, Verdict::TimedOut, 3, ""},
        {"checkpoint above n",
         {0x04000004},
         ok,
         Verdict::NoVerdict,
         0,
         "display word 0x04000004 in its output is none this image shows (checkpoints 1 to 3)"},
        {"count off by two", {0x03000001}, ok, Verdict::NoVerdict, 0, "0x03000001"},
        {"a ROM word", {0x3a00003a}, ok, Verdict::NoVerdict, 0, "0x3a00003a"},
        {"foreign then pass", {0x7f000000, 0x03000003}, ok, Verdict::NoVerdict, 0, "0x7f000000"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        CheckpointWatch watch(3);
        for (const auto w : r.words)
            watch.see(w);
        const Judgement j = judge(watch, r.ending);
        EXPECT_EQ(verdictName(j.verdict), verdictName(r.verdict));
        EXPECT_EQ(j.checkpoint, r.checkpoint);
        EXPECT_NE(j.detail.find(r.detail), std::string::npos) << j.detail;
    }
}

TEST(RegressVerdict, TheWatchKeepsTwoWords) {
    CheckpointWatch watch(255);
    for (int pass = 0; pass < 1000; ++pass)
        for (std::uint32_t k = 1; k <= 255; ++k)
            watch.see((k << 24) | k);
    EXPECT_EQ(watch.words(), 255'000u);
    EXPECT_EQ(watch.last(), 0xff0000ffu);
    EXPECT_FALSE(watch.firstFailure());
    EXPECT_FALSE(watch.foreign());
    EXPECT_EQ(judge(watch, {}).verdict, Verdict::Pass);
}

} // namespace
