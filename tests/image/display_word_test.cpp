// Display words as a person reads them off the board: which routine wrote them, what one word
// and a pair of words tell about the routines, and what the verdict will be.
#include <gtest/gtest.h>

#include "coretest/display_word.h"
#include "coretest/routine_reports.h"

namespace coretest {
namespace {

TEST(DisplayWord, FieldsOfTheResultWord) {
    const struct {
        std::uint32_t word;
        unsigned number, passed;
    } cases[] = {
        {0x01000001, 1, 1},   {0x01000000, 1, 0},  {0x07000006, 7, 6},
        {0x3a00003a, 58, 58}, {0x3a000000, 58, 0}, {0x3a000039, 58, 57},
    };
    for (const auto& c : cases) {
        const DisplayWord w = readDisplayWord(c.word);
        EXPECT_EQ(w.testNumber, c.number) << std::hex << c.word;
        EXPECT_EQ(w.passCount, c.passed) << std::hex << c.word;
    }
}

TEST(DisplayWord, WordsNoRoutineWritesAreRefused) {
    const struct {
        std::uint32_t word;
        const char* mentions;
    } cases[] = {
        {0x00000000, "test number 0"},    {0x00000005, "test number 0"},
        {0x3b000001, "test number 59"},   {0xff00003a, "test number 255"},
        {0x05000006, "pass count 6"},     {0x01000002, "pass count 2"},
        {0x3a00ffff, "pass count 65535"},
    };
    for (const auto& c : cases) {
        try {
            readDisplayWord(c.word);
            ADD_FAILURE() << std::hex << c.word << " accepted";
        } catch (const InputError& e) {
            EXPECT_NE(std::string(e.what()).find(c.mentions), std::string::npos) << e.what();
        }
    }
}

TEST(DisplayWord, WhatOneWordTellsAboutItsRoutine) {
    const struct {
        std::uint32_t word;
        Known latest;
        unsigned passed;
    } cases[] = {
        {0x08000008, Known::Yes, 8},     // nothing failed so far
        {0x01000000, Known::No, 0},      // routine 1 failed
        {0x3a000000, Known::No, 0},      // every routine failed, the last one too
        {0x08000007, Known::Unknown, 7}, // one of 1 to 8 failed: routine 8 or an earlier one
        {0x07000006, Known::Unknown, 6},
    };
    for (const auto& c : cases) {
        const DisplayStep s = stepBetween(std::nullopt, readDisplayWord(c.word));
        EXPECT_EQ(s.first, 1u);
        EXPECT_EQ(s.last, c.word >> 24);
        EXPECT_EQ(s.passed, c.passed);
        EXPECT_EQ(s.latestPassed, c.latest) << std::hex << c.word;
    }
}

TEST(DisplayWord, APairOfWordsTellsWhetherTheRoutinesBetweenPassed) {
    const struct {
        std::uint32_t before, after;
        Known latest;
        unsigned first, passed;
    } cases[] = {
        {0x07000006, 0x08000007, Known::Yes, 8, 1}, // routine 8 passed
        {0x06000006, 0x07000006, Known::No, 7, 0},  // routine 7 failed
        {0x39000000, 0x3a000001, Known::Yes, 58, 1},
        {0x05000005, 0x08000006, Known::Unknown, 6, 1}, // one of three passed
        {0x05000005, 0x08000008, Known::Yes, 6, 3},
        {0x05000005, 0x08000005, Known::No, 6, 0},
    };
    for (const auto& c : cases) {
        const DisplayStep s = stepBetween(readDisplayWord(c.before), readDisplayWord(c.after));
        EXPECT_EQ(s.first, c.first);
        EXPECT_EQ(s.last, c.after >> 24);
        EXPECT_EQ(s.passed, c.passed);
        EXPECT_EQ(s.latestPassed, c.latest) << std::hex << c.before << " " << c.after;
    }
}

TEST(DisplayWord, PairsNoRunShowsAreRefused) {
    const struct {
        std::uint32_t before, after;
    } cases[] = {
        {0x08000007, 0x08000007}, // same routine twice
        {0x09000007, 0x08000007}, // backwards
        {0x07000006, 0x08000005}, // pass count fell
        {0x05000005, 0x07000008}, // more passes than routines in between
    };
    for (const auto& c : cases)
        EXPECT_THROW(stepBetween(readDisplayWord(c.before), readDisplayWord(c.after)), InputError)
            << std::hex << c.before << " " << c.after;
}

TEST(DisplayWord, VerdictOutlook) {
    EXPECT_EQ(verdictOutlook(readDisplayWord(0x3a00003a)), VerdictOutlook::Pass);
    EXPECT_EQ(verdictOutlook(readDisplayWord(0x3a000039)), VerdictOutlook::Fail);
    EXPECT_EQ(verdictOutlook(readDisplayWord(0x07000006)), VerdictOutlook::Fail);
    EXPECT_EQ(verdictOutlook(readDisplayWord(0x01000001)), VerdictOutlook::PassIfRest);
    EXPECT_EQ(verdictOutlook(readDisplayWord(0x39000039)), VerdictOutlook::PassIfRest);
}

TEST(DisplayWord, InstructionUnderTestFromEveryRoutineName) {
    const Image image = Image::load(CORETEST_ROM_PATH);
    const RomMap map = RomMap::load(image);
    ASSERT_EQ(map.routines().size(), kRoutineCount);
    const struct {
        int number;
        const char* tests;
    } known[] = {{1, "lui"},
                 {8, "slt"},
                 {16, "the delay slot of beq"},
                 {43, "jalr"},
                 {56, "the delay slot of bltzal"},
                 {58, "the delay slot of jalr"}};
    for (const auto& k : known)
        EXPECT_EQ(instructionUnderTest(map.routines()[k.number - 1].name), k.tests);
    int slots = 0;
    for (const auto& r : map.routines())
        slots += instructionUnderTest(r.name).starts_with("the delay slot of ");
    EXPECT_EQ(slots, 12);
}

// A second ROM numbers its routines from 59 and counts its own passes: 0x3b000001 is its first
// routine passed; the first ROM's words are out of its range.
TEST(DisplayWord, SecondRomNumbersAndPassCounts) {
    const RoutineNumbers second{59, 70};
    const struct {
        std::uint32_t word;
        VerdictOutlook outlook;
        Known latest; // from boot
    } accepted[] = {
        {0x3b000001, VerdictOutlook::PassIfRest, Known::Yes},
        {0x3b000000, VerdictOutlook::Fail, Known::No},
        {0x3c000002, VerdictOutlook::PassIfRest, Known::Yes},
        {0x3c000001, VerdictOutlook::Fail, Known::Unknown},
        {0x4600000c, VerdictOutlook::Pass, Known::Yes},
        {0x4600000b, VerdictOutlook::Fail, Known::Unknown},
        {0x46000000, VerdictOutlook::Fail, Known::No},
    };
    for (const auto& c : accepted) {
        const DisplayWord w = readDisplayWord(c.word, second);
        EXPECT_EQ(verdictOutlook(w, second), c.outlook) << std::hex << c.word;
        const DisplayStep s = stepBetween(std::nullopt, w, second);
        EXPECT_EQ(s.first, 59u) << std::hex << c.word;
        EXPECT_EQ(s.latestPassed, c.latest) << std::hex << c.word;
    }
    const struct {
        std::uint32_t word;
        const char* mentions;
    } refused[] = {
        {0x3a00003a, "test number 58 is below 59"},
        {0x47000001, "test number 71 is above 70"},
        {0x3b000002, "pass count 2 is above 1, the routines from 59 to 59"},
        {0x4600000d, "pass count 13 is above 12"},
    };
    for (const auto& c : refused) {
        try {
            readDisplayWord(c.word, second);
            ADD_FAILURE() << std::hex << c.word << " accepted";
        } catch (const InputError& e) {
            EXPECT_NE(std::string(e.what()).find(c.mentions), std::string::npos) << e.what();
        }
    }
}

TEST(DisplayWord, SecondRomRunTellsWhichRoutinesFailed) {
    const RoutineNumbers second{59, 62};
    const std::uint32_t words[] = {0, 0x3b000001, 0x3c000001, 0x3d000002, 0x3e000003};
    const DisplayRun run = readDisplayRun(words, second);
    EXPECT_TRUE(run.finished());
    EXPECT_EQ(run.passed, 3u);
    EXPECT_EQ(run.failed(), 1u);
    EXPECT_EQ(run.routine[59], Known::Yes);
    EXPECT_EQ(run.routine[60], Known::No);
    EXPECT_EQ(run.routine[61], Known::Yes);
    EXPECT_EQ(run.routine[62], Known::Yes);
    // The same words against the first ROM's numbers are refused at the first of them.
    EXPECT_THROW(readDisplayRun(words), InputError);
}

} // namespace
} // namespace coretest
