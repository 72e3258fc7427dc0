#pragma once
// What a word on the board's numeric display says: after routine N it shows (N << 24) | the
// number of routines passed so far. One word tells how many of routines 1 to N failed, not
// which; a word and the one before it tell whether the routines between them passed.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace coretest {

inline constexpr unsigned kRoutineCount = 58;

struct DisplayWord {
    std::uint32_t word = 0;
    unsigned testNumber = 0; // the routine that wrote it, 1 to 58
    unsigned passCount = 0;  // routines passed among 1 to testNumber
};

// Throws InputError for a word that no routine writes: test number 0 or above 58, a pass count
// above the test number.
DisplayWord readDisplayWord(std::uint32_t word);

enum class Known { Yes, No, Unknown };

// What a word shows about the routines after an earlier word (or after boot, when there is none).
struct DisplayStep {
    unsigned first = 1, last = 0;        // the routines from first to last reported in between
    unsigned passed = 0;                 // how many of them passed
    Known latestPassed = Known::Unknown; // whether routine `last` passed
};
// Throws InputError when `earlier` cannot have been shown before `later` in one run.
DisplayStep stepBetween(const std::optional<DisplayWord>& earlier, const DisplayWord& later);

enum class VerdictOutlook {
    Pass,      // routine 58 has reported and all passed
    Fail,      // some routine has failed: the verdict will be a failure whatever follows
    PassIfRest // no failure so far: the verdict passes if every remaining routine passes
};
VerdictOutlook verdictOutlook(const DisplayWord& w);

// What a sequence of display words, in the order the display showed them, tells about the run.
struct DisplayRun {
    // Every word after the first that reports more than one routine leaves a gap: the words in
    // between were not seen, so only the number of failures among those routines is known.
    struct Gap {
        std::uint32_t before = 0, after = 0; // the words around it (before 0: boot)
        unsigned first = 0, last = 0;        // the routines reported in it
        unsigned failed = 0;                 // how many of them failed
    };
    std::vector<DisplayWord> words;                 // as seen, repeats and the boot value left out
    std::array<Known, kRoutineCount + 1> routine{}; // by routine number (index 0 unused)
    std::vector<Gap> gaps;                          // where the sequence does not tell which failed
    unsigned lastReported = 0;                      // the test number of the last word, 0 for none
    unsigned passed = 0;                            // routines passed up to the last word
    bool finished() const { return lastReported == kRoutineCount; }
    unsigned failed() const { return lastReported - passed; }
};
// Throws InputError for a word no routine writes and for words no run shows in this order. A 0
// is accepted before the first result word (the display holds 0 from boot); a word repeated
// right after itself (a log that prints the display twice) counts once.
DisplayRun readDisplayRun(std::span<const std::uint32_t> words);

// The display words in one line of a log: a word after "display" (0x optional), the value of a
// trace record storing to the display register (`m fffff010 08000007`), or a line that is one
// hexadecimal word alone. Nothing for any other line.
std::optional<std::uint32_t> displayWordInLine(std::string_view line);

// "slt" for n8_slt_test, "the delay slot of beq" for n16_beq_ds_test.
std::string instructionUnderTest(std::string_view routine);

} // namespace coretest
