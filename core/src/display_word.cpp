#include "coretest/display_word.h"

#include <fmt/format.h>

#include "coretest/image.h"

namespace coretest {

DisplayWord readDisplayWord(std::uint32_t word) {
    const DisplayWord w{word, word >> 24, word & 0xffffff};
    if (w.testNumber == 0)
        throw InputError(fmt::format(
            "display word 0x{:08x}: test number 0; the display holds 0 only from boot until "
            "routine 1 reports, and result words have a test number from 1 to {}",
            word, kRoutineCount));
    if (w.testNumber > kRoutineCount)
        throw InputError(fmt::format("display word 0x{:08x}: test number {} is above {}; the "
                                     "test number is the top byte, from 1 to {}",
                                     word, w.testNumber, kRoutineCount, kRoutineCount));
    if (w.passCount > w.testNumber)
        throw InputError(fmt::format(
            "display word 0x{:08x}: pass count {} is above the test number {}; after routine N at "
            "most N routines have passed",
            word, w.passCount, w.testNumber));
    return w;
}

DisplayStep stepBetween(const std::optional<DisplayWord>& earlier, const DisplayWord& later) {
    const unsigned fromNumber = earlier ? earlier->testNumber : 0;
    const unsigned fromPassed = earlier ? earlier->passCount : 0;
    if (earlier &&
        (earlier->testNumber >= later.testNumber || later.passCount < earlier->passCount ||
         later.passCount - earlier->passCount > later.testNumber - earlier->testNumber))
        throw InputError(fmt::format(
            "display words 0x{:08x} then 0x{:08x}: no run shows them in this order; a later word "
            "has a higher test number and its pass count has grown by at most the routines "
            "between them",
            earlier->word, later.word));
    DisplayStep s;
    s.first = fromNumber + 1;
    s.last = later.testNumber;
    s.passed = later.passCount - fromPassed;
    const unsigned reported = s.last - fromNumber;
    if (s.passed == reported)
        s.latestPassed = Known::Yes;
    else if (s.passed == 0)
        s.latestPassed = Known::No;
    return s;
}

VerdictOutlook verdictOutlook(const DisplayWord& w) {
    if (w.passCount < w.testNumber) return VerdictOutlook::Fail;
    return w.testNumber == kRoutineCount ? VerdictOutlook::Pass : VerdictOutlook::PassIfRest;
}

std::string instructionUnderTest(std::string_view routine) {
    std::string_view name = routine;
    if (name.ends_with("_test")) name.remove_suffix(5);
    if (const auto sep = name.find('_'); sep != std::string_view::npos) name.remove_prefix(sep + 1);
    if (name.ends_with("_ds")) {
        name.remove_suffix(3);
        return fmt::format("the delay slot of {}", name);
    }
    return std::string(name);
}

} // namespace coretest
