#pragma once
// What a word on the board's numeric display says: after routine N it shows (N << 24) | the
// number of routines passed so far. One word tells how many of routines 1 to N failed, not
// which; a word and the one before it tell whether the routines between them passed.
//
// The first ROM's routines are numbered 1 to 58. A second ROM's continue from 59, and its pass
// count counts its own routines, so that a word names one routine of one ROM: the functions take
// the numbers of the ROM the words come from (the first ROM's by default).
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace coretest {

inline constexpr unsigned kRoutineCount = 58;
inline constexpr unsigned kMaxTestNumber = 255; // the top byte of a display word

// The routine numbers of one ROM, first to last.
struct RoutineNumbers {
    unsigned first = 1;
    unsigned last = kRoutineCount;
    unsigned count() const { return last - first + 1; }
    // Routines from `first` up to and including `number`.
    unsigned upTo(unsigned number) const { return number - first + 1; }
};

struct DisplayWord {
    std::uint32_t word = 0;
    unsigned testNumber = 0; // the routine that wrote it (1 to 58 in the first ROM)
    unsigned passCount = 0;  // routines passed among the ROM's first one to testNumber
};

// Throws InputError for a word that no routine of the ROM writes: a test number outside its
// numbers, more passes than routines up to the test number.
DisplayWord readDisplayWord(std::uint32_t word, const RoutineNumbers& numbers = {});

enum class Known { Yes, No, Unknown };

// What a word shows about the routines after an earlier word (or after boot, when there is none).
struct DisplayStep {
    unsigned first = 1, last = 0;        // the routines from first to last reported in between
    unsigned passed = 0;                 // how many of them passed
    Known latestPassed = Known::Unknown; // whether routine `last` passed
};
// Throws InputError when `earlier` cannot have been shown before `later` in one run.
DisplayStep stepBetween(const std::optional<DisplayWord>& earlier, const DisplayWord& later,
                        const RoutineNumbers& numbers = {});

enum class VerdictOutlook {
    Pass,      // the last routine has reported and all passed
    Fail,      // some routine has failed: the verdict will be a failure whatever follows
    PassIfRest // no failure so far: the verdict passes if every remaining routine passes
};
VerdictOutlook verdictOutlook(const DisplayWord& w, const RoutineNumbers& numbers = {});

// What a sequence of display words, in the order the display showed them, tells about the run.
struct DisplayRun {
    // Every word after the first that reports more than one routine leaves a gap: the words in
    // between were not seen, so only the number of failures among those routines is known.
    struct Gap {
        std::uint32_t before = 0, after = 0; // the words around it (before 0: boot)
        unsigned first = 0, last = 0;        // the routines reported in it
        unsigned failed = 0;                 // how many of them failed
    };
    RoutineNumbers numbers;                          // of the ROM the words come from
    std::vector<DisplayWord> words;                  // as seen, repeats and the boot value left out
    std::array<Known, kMaxTestNumber + 1> routine{}; // by routine number (index 0 unused)
    std::vector<Gap> gaps;     // where the sequence does not tell which failed
    unsigned lastReported = 0; // the test number of the last word, 0 for none
    unsigned passed = 0;       // routines passed up to the last word
    bool finished() const { return lastReported == numbers.last; }
    unsigned failed() const { return lastReported ? numbers.upTo(lastReported) - passed : 0; }
};
// Throws InputError for a word no routine writes and for words no run shows in this order. A 0
// is accepted before the first result word (the display holds 0 from boot); a word repeated
// right after itself (a log that prints the display twice) counts once.
DisplayRun readDisplayRun(std::span<const std::uint32_t> words, const RoutineNumbers& numbers = {});

// The display words in one line of a log: a word after "display" (0x optional), the value of a
// trace record storing to the display register (`m fffff010 08000007`), or a line that is one
// hexadecimal word alone. Nothing for any other line.
std::optional<std::uint32_t> displayWordInLine(std::string_view line);

// "slt" for n8_slt_test, "the delay slot of beq" for n16_beq_ds_test.
std::string instructionUnderTest(std::string_view routine);

} // namespace coretest
