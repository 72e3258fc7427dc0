#include "coretest/display_word.h"

#include <fmt/format.h>

#include <cctype>
#include <charconv>

#include "coretest/image.h"

namespace coretest {

DisplayWord readDisplayWord(std::uint32_t word, const RoutineNumbers& numbers) {
    const DisplayWord w{word, word >> 24, word & 0xffffff};
    if (w.testNumber == 0)
        throw InputError(fmt::format(
            "display word 0x{:08x}: test number 0; the display holds 0 only from boot until "
            "routine {} reports, and result words have a test number from {} to {}",
            word, numbers.first, numbers.first, numbers.last));
    if (w.testNumber > numbers.last)
        throw InputError(fmt::format("display word 0x{:08x}: test number {} is above {}; the "
                                     "test number is the top byte, from {} to {}",
                                     word, w.testNumber, numbers.last, numbers.first,
                                     numbers.last));
    if (w.testNumber < numbers.first)
        throw InputError(fmt::format("display word 0x{:08x}: test number {} is below {}; the "
                                     "test number is the top byte, from {} to {} in this ROM",
                                     word, w.testNumber, numbers.first, numbers.first,
                                     numbers.last));
    if (w.passCount > numbers.upTo(w.testNumber)) {
        if (numbers.first == 1)
            throw InputError(fmt::format(
                "display word 0x{:08x}: pass count {} is above the test number {}; after routine "
                "N at most N routines have passed",
                word, w.passCount, w.testNumber));
        throw InputError(fmt::format(
            "display word 0x{:08x}: pass count {} is above {}, the routines from {} to {}", word,
            w.passCount, numbers.upTo(w.testNumber), numbers.first, w.testNumber));
    }
    return w;
}

DisplayStep stepBetween(const std::optional<DisplayWord>& earlier, const DisplayWord& later,
                        const RoutineNumbers& numbers) {
    const unsigned fromNumber = earlier ? earlier->testNumber : numbers.first - 1;
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

VerdictOutlook verdictOutlook(const DisplayWord& w, const RoutineNumbers& numbers) {
    if (w.passCount < numbers.upTo(w.testNumber)) return VerdictOutlook::Fail;
    return w.testNumber == numbers.last ? VerdictOutlook::Pass : VerdictOutlook::PassIfRest;
}

DisplayRun readDisplayRun(std::span<const std::uint32_t> words, const RoutineNumbers& numbers) {
    DisplayRun run;
    run.numbers = numbers;
    run.routine.fill(Known::Unknown);
    std::optional<DisplayWord> earlier;
    for (const std::uint32_t word : words) {
        if (word == 0 && !earlier) continue; // the display's value from boot
        if (earlier && word == earlier->word) continue;
        if (word == 0)
            throw InputError(fmt::format("display words 0x{:08x} then 0x00000000: the display "
                                         "shows 0 only from boot, before routine {} reports",
                                         earlier->word, numbers.first));
        const DisplayWord w = readDisplayWord(word, numbers);
        const DisplayStep step = stepBetween(earlier, w, numbers);
        const unsigned reported = step.last - step.first + 1;
        if (reported == 1 || step.passed == reported || step.passed == 0) {
            const Known k = step.passed == 0 ? Known::No : Known::Yes;
            for (unsigned r = step.first; r <= step.last; ++r)
                run.routine[r] = k;
        } else {
            run.gaps.push_back({earlier ? earlier->word : 0, w.word, step.first, step.last,
                                reported - step.passed});
        }
        run.words.push_back(w);
        run.lastReported = w.testNumber;
        run.passed = w.passCount;
        earlier = w;
    }
    return run;
}

namespace {

std::optional<std::uint32_t> hexWordAt(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    std::size_t n = 0;
    while (n < text.size() && std::isxdigit(static_cast<unsigned char>(text[n])))
        ++n;
    if (n == 0 || n > 8 || (n < text.size() && std::isalnum(static_cast<unsigned char>(text[n]))))
        return std::nullopt;
    std::uint32_t v = 0;
    std::from_chars(text.data(), text.data() + n, v, 16);
    return v;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::optional<std::uint32_t> displayWordInLine(std::string_view line) {
    line = trimmed(line);
    std::string lower(line);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (const auto at = lower.find(" m fffff010 "); at != std::string::npos)
        return hexWordAt(line.substr(at + 12));
    if (const auto at = lower.find("display"); at != std::string::npos) {
        std::string_view rest = line.substr(at + 7);
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == ':' ||
                                 rest.front() == '=' || rest.front() == '\t'))
            rest.remove_prefix(1);
        return hexWordAt(rest);
    }
    if (const auto v = hexWordAt(line); v && line.find(' ') == std::string_view::npos) return v;
    return std::nullopt;
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
