#pragma once
// What a word on the board's numeric display says: after routine N it shows (N << 24) | the
// number of routines passed so far. One word tells how many of routines 1 to N failed, not
// which; a word and the one before it tell whether the routines between them passed.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// "slt" for n8_slt_test, "the delay slot of beq" for n16_beq_ds_test.
std::string instructionUnderTest(std::string_view routine);

} // namespace coretest
