// A sequence of display words as a simulation log or a person records them: which routines
// failed, where the words leave gaps, what the verdict is, and what each routine relies on.
#include <gtest/gtest.h>

#include <vector>

#include "coretest/display_word.h"
#include "coretest/image.h"
#include "coretest/routine_instructions.h"
#include "support/rom.h"

namespace coretest {
namespace {

// Every word of a run in which the routines of `failing` fail, up to routine `last`.
std::vector<std::uint32_t> runWords(std::vector<unsigned> failing, unsigned last = 58) {
    std::vector<std::uint32_t> words;
    unsigned passed = 0;
    for (unsigned r = 1; r <= last; ++r) {
        if (std::find(failing.begin(), failing.end(), r) == failing.end()) ++passed;
        words.push_back(r << 24 | passed);
    }
    return words;
}

std::vector<unsigned> failedRoutines(const DisplayRun& run) {
    std::vector<unsigned> out;
    for (unsigned r = 1; r <= kRoutineCount; ++r)
        if (run.routine[r] == Known::No) out.push_back(r);
    return out;
}

TEST(DisplayRun, FailingRoutinesVerdictAndGaps) {
    auto gapped = runWords({8, 21});
    gapped.erase(gapped.begin() + 19, gapped.begin() + 22); // routines 20 to 22 not seen
    auto boot = runWords({});
    boot.insert(boot.begin(), {0, 0});
    auto repeated = runWords({3}, 10);
    repeated.insert(repeated.begin() + 4, repeated[4]);
    const struct {
        const char* what;
        std::vector<std::uint32_t> words;
        std::vector<unsigned> failed;
        unsigned last, passed, gaps;
        bool finished;
    } cases[] = {
        {"every routine passes", runWords({}), {}, 58, 58, 0, true},
        {"one failure", runWords({8}), {8}, 58, 57, 0, true},
        {"two failures", runWords({8, 46}), {8, 46}, 58, 56, 0, true},
        {"the first and the last fail", runWords({1, 58}), {1, 58}, 58, 56, 0, true},
        {"a gap hides which of 20 to 23 failed", gapped, {8}, 58, 56, 1, true},
        {"stops early: no verdict", runWords({5}, 30), {5}, 30, 29, 0, false},
        {"boot zeros are skipped", boot, {}, 58, 58, 0, true},
        {"a word logged twice counts once", repeated, {3}, 10, 9, 0, false},
        {"only the last word, a pass", {0x3a00003a}, {}, 58, 58, 0, true},
        {"a gap of failures only is no gap", {0x05000005, 0x08000005}, {6, 7, 8}, 8, 5, 0, false},
    };
    for (const auto& c : cases) {
        const DisplayRun run = readDisplayRun(c.words);
        EXPECT_EQ(failedRoutines(run), c.failed) << c.what;
        EXPECT_EQ(run.lastReported, c.last) << c.what;
        EXPECT_EQ(run.passed, c.passed) << c.what;
        EXPECT_EQ(run.gaps.size(), c.gaps) << c.what;
        EXPECT_EQ(run.finished(), c.finished) << c.what;
    }
    const DisplayRun g = readDisplayRun(gapped);
    ASSERT_EQ(g.gaps.size(), 1u);
    EXPECT_EQ(g.gaps[0].first, 20u);
    EXPECT_EQ(g.gaps[0].last, 23u);
    EXPECT_EQ(g.gaps[0].failed, 1u);
    EXPECT_EQ(g.routine[24], Known::Yes);
}

TEST(DisplayRun, SequencesNoRunShowsAreRefused) {
    const std::vector<std::uint32_t> cases[] = {
        {0x05000005, 0x04000004},             // test number goes back
        {0x05000005, 0x06000004},             // pass count shrinks
        {0x05000003, 0x06000005},             // pass count grows by more than the routines
        {0x01000001, 0x00000000, 0x02000002}, // the display never returns to 0
        {0x01000001, 0x3b000001},             // no routine 59
    };
    for (const auto& words : cases)
        EXPECT_THROW(readDisplayRun(words), InputError) << std::hex << words[1];
}

TEST(DisplayRun, WordsFoundInLogLines) {
    const struct {
        const char* line;
        std::optional<std::uint32_t> word;
    } cases[] = {
        {"display 0x08000007: routine 8, 7 passed", 0x08000007},
        {"[1234 ns] DISPLAY = 3a00003a", 0x3a00003a},
        {"bfc003ac m fffff010 08000007", 0x08000007},
        {"@1523 bfc003ac m fffff010 01000001", 0x01000001},
        {"  0x07000006  ", 0x07000006},
        {"07000006", 0x07000006},
        {"bfc003ac m fffff008 00000002", std::nullopt}, // another board register
        {"cycle 12345 retired 100", std::nullopt},
        {"display 0x123456789", std::nullopt}, // nine digits: no display word
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(displayWordInLine(c.line), c.word) << c.line;
}

TEST(RoutineInstructions, WhatEachRoutineReliesOnComesFromItsText) {
    using coretest_test::romMap;
    const struct {
        const char* routine;
        const char* tested;
        std::vector<const char*> reliesOn, notIn;
    } cases[] = {
        {"n49_mflo_test", "mflo", {"mtlo", "bne"}, {"mflo"}},
        {"n48_mfhi_test", "mfhi", {"mthi"}, {"mfhi"}},
        {"n8_slt_test", "slt", {"lui", "ori", "bne"}, {"slt"}},
        {"n16_beq_ds_test", "beq", {}, {"beq"}},
    };
    for (const auto& c : cases) {
        const RoutineMap* r = romMap().routineNamed(c.routine);
        ASSERT_NE(r, nullptr) << c.routine;
        EXPECT_EQ(testedMnemonic(*r), c.tested);
        const auto relied = reliedOnInstructions(romMap(), *r);
        for (const char* m : c.reliesOn)
            EXPECT_NE(std::find(relied.begin(), relied.end(), m), relied.end())
                << c.routine << " does not list " << m;
        for (const char* m : c.notIn)
            EXPECT_EQ(std::find(relied.begin(), relied.end(), m), relied.end())
                << c.routine << " lists " << m;
        EXPECT_EQ(std::find(relied.begin(), relied.end(), "nop"), relied.end());
    }
}

} // namespace
} // namespace coretest
