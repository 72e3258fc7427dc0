// Fuzz target: the numbers users type (--switch, --limit, a display word) and what a display word
// and the one before it say. The first byte picks the parser; bad text may only end in InputError.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "coretest/display_word.h"
#include "coretest/image.h"
#include "numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace coretest;
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        switch (data[0] % 5) {
        case 0: cli::parseSwitch(text); break;
        case 1: cli::parseLimit(text); break;
        case 2: {
            const auto word =
                static_cast<std::uint32_t>(cli::parseNumber("word", text, 0xffffffff));
            const DisplayWord w = readDisplayWord(word);
            if (w.testNumber < 1 || w.testNumber > kRoutineCount || w.passCount > w.testNumber)
                __builtin_trap();
            verdictOutlook(w);
            const DisplayStep step = stepBetween(std::nullopt, w);
            if (step.passed > step.last) __builtin_trap();
            break;
        }
        case 3: instructionUnderTest(text); break;
        default: {
            // Two words: "earlier later".
            const auto space = text.find(' ');
            if (space == std::string_view::npos) break;
            const DisplayWord earlier = readDisplayWord(static_cast<std::uint32_t>(
                cli::parseNumber("previous", text.substr(0, space), 0xffffffff)));
            const DisplayWord later = readDisplayWord(static_cast<std::uint32_t>(
                cli::parseNumber("word", text.substr(space + 1), 0xffffffff)));
            const DisplayStep step = stepBetween(earlier, later);
            if (step.last != later.testNumber || step.passed > step.last - step.first + 1)
                __builtin_trap();
            break;
        }
        }
    } catch (const InputError&) {
    }
    return 0;
}
