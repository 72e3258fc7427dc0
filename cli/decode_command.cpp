// coretest decode: what a word read off the board's display says about the run.
#include <fmt/format.h>

#include <charconv>

#include "commands.h"
#include "coretest/diagnosis.h"
#include "coretest/display_word.h"

namespace coretest::cli {

namespace {

struct DecodeArgs {
    std::string word;
    std::string previous;
    std::string elf;
};

// Display words are read in hexadecimal, with or without 0x.
std::uint32_t hexWord(std::string_view option, std::string_view text) {
    std::string_view digits = text;
    if (digits.starts_with("0x") || digits.starts_with("0X")) digits.remove_prefix(2);
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
    if (digits.empty() || digits.size() > 8 || ec != std::errc{} ||
        end != digits.data() + digits.size())
        throw InputError(fmt::format("{}: '{}' is not a display word; expected up to 8 "
                                     "hexadecimal digits as the display shows them, 0x optional",
                                     option, text));
    return v;
}

// The routine's name and what it tests, from the ROM when it can be read.
std::string routineText(const std::optional<RomMap>& map, unsigned number) {
    if (map)
        for (const auto& r : map->routines())
            if (r.number == static_cast<int>(number))
                return fmt::format("{}, which tests {} ({} cases, {})", r.name,
                                   instructionUnderTest(r.name), r.cases.size(), r.file);
    return "(no ROM image read: routine names unknown)";
}

std::string range(unsigned first, unsigned last) {
    return first == last ? fmt::format("routine {}", first)
                         : fmt::format("routines {} to {}", first, last);
}

void printStep(const DisplayStep& s, const std::optional<DisplayWord>& earlier,
               const DisplayWord& w) {
    const unsigned reported = s.last - s.first + 1;
    const std::string since =
        earlier ? fmt::format("since 0x{:08x}", earlier->word) : std::string("since boot");
    if (reported > 1)
        fmt::print("{}: {} of {} passed, {} failed\n", since, s.passed, range(s.first, s.last),
                   reported - s.passed);
    else
        fmt::print("{}: routine {} reported\n", since, w.testNumber);
    switch (s.latestPassed) {
    case Known::Yes: fmt::print("routine {} passed\n", w.testNumber); break;
    case Known::No: fmt::print("routine {} failed\n", w.testNumber); break;
    case Known::Unknown:
        if (earlier)
            fmt::print("whether routine {} passed cannot be told: {} of {} failed, which ones is "
                       "not known\n",
                       w.testNumber, reported - s.passed, range(s.first, s.last));
        else
            fmt::print("whether routine {} itself passed cannot be told from one word: it passed "
                       "if the word before was 0x{:08x} (pass count {}), failed if it was "
                       "0x{:08x}\n",
                       w.testNumber, ((w.testNumber - 1) << 24) | (w.passCount - 1),
                       w.passCount - 1, ((w.testNumber - 1) << 24) | w.passCount);
        break;
    }
}

void printVerdict(const DisplayWord& w) {
    switch (verdictOutlook(w)) {
    case VerdictOutlook::Pass:
        fmt::print("verdict: pass, all {} routines passed (lamps 1 and 1, LED bank 0xffff)\n",
                   kRoutineCount);
        break;
    case VerdictOutlook::Fail:
        fmt::print("verdict: will be FAIL (LED bank 0, lamps 2 and 2) whatever follows, since "
                   "{} routine{} already failed; at most {} of {} can pass\n",
                   w.testNumber - w.passCount, w.testNumber - w.passCount == 1 ? " has" : "s have",
                   w.passCount + kRoutineCount - w.testNumber, kRoutineCount);
        break;
    case VerdictOutlook::PassIfRest:
        fmt::print("verdict: not decided; pass if {} all pass\n",
                   range(w.testNumber + 1, kRoutineCount));
        break;
    }
}

} // namespace

Action addDecodeCommand(CLI::App& app) {
    auto args = std::make_shared<DecodeArgs>();
    CLI::App* sub = app.add_subcommand(
        "decode", "explain a word read off the board's display: routine, pass count, verdict");
    sub->add_option("word", args->word, "the display word, hexadecimal (0x optional)")->required();
    sub->add_option("--previous", args->previous,
                    "the word the display showed before it, to tell whether the routines in "
                    "between passed");
    sub->add_option("--elf", args->elf, "ROM image for the routine names (default: this build's)");
    return [args]() {
        const DisplayWord w = readDisplayWord(hexWord("word", args->word));
        std::optional<DisplayWord> earlier;
        if (!args->previous.empty())
            earlier = readDisplayWord(hexWord("--previous", args->previous));
        const DisplayStep step = stepBetween(earlier, w);
        std::optional<RomMap> map;
        if (!args->elf.empty()) {
            map = RomMap::load(Image::load(args->elf));
        } else {
            try {
                map = RomMap::load(Image::load(CORETEST_DEFAULT_ROM));
            } catch (const InputError&) {
                // Without the ROM the word still decodes; only the routine names are missing.
            }
        }
        fmt::print("0x{:08x}: test number {} (bits 31-24), pass count {} (bits 23-0)\n", w.word,
                   w.testNumber, w.passCount);
        fmt::print("routine {}: {}\n", w.testNumber, routineText(map, w.testNumber));
        printStep(step, earlier, w);
        printVerdict(w);
        return verdictOutlook(w) == VerdictOutlook::Fail ? kCoreFailed : kPass;
    };
}

} // namespace coretest::cli
