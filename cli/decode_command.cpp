// coretest decode: what a word read off the board's display says about the run.
#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <charconv>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "coretest/display_log.h"
#include "coretest/display_word.h"
#include "coretest/routine_instructions.h"
#include "coretest/routine_reports.h"
#include "output.h"

namespace coretest::cli {

namespace {

struct DecodeArgs {
    std::vector<std::string> words;
    std::string file;
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
        throw InputError(fmt::format("{}: {} is not a display word; expected up to 8 "
                                     "hexadecimal digits as the display shows them, 0x optional",
                                     option, cli::quoted(text)));
    return v;
}

const RoutineMap* routineNumbered(const std::optional<RomMap>& map, unsigned number) {
    if (map)
        for (const auto& r : map->routines())
            if (r.number == static_cast<int>(number)) return &r;
    return nullptr;
}

// The routine's name and what it tests, from the ROM when it can be read.
std::string routineText(const std::optional<RomMap>& map, unsigned number) {
    if (const RoutineMap* r = routineNumbered(map, number))
        return fmt::format("{}, which tests {} ({} cases, {})", r->name,
                           instructionUnderTest(r->name), r->cases.size(), r->file);
    return "(no ROM image read: routine names unknown)";
}

std::string routineName(const std::optional<RomMap>& map, unsigned number) {
    const RoutineMap* r = routineNumbered(map, number);
    return r ? fmt::format(" ({}, {})", r->name, instructionUnderTest(r->name)) : std::string();
}

// "relies on lui, ori, bne, sw (...)" for the routine, when the ROM was read.
void printReliedOn(const std::optional<RomMap>& map, unsigned number, std::string_view indent) {
    const RoutineMap* r = routineNumbered(map, number);
    if (!r) return;
    fmt::print("{}besides {} it relies on: {}\n", indent, testedMnemonic(*r),
               fmt::join(reliedOnInstructions(*map, *r), ", "));
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

void printVerdict(const DisplayWord& w, const RoutineNumbers& numbers) {
    switch (verdictOutlook(w, numbers)) {
    case VerdictOutlook::Pass:
        fmt::print("verdict: pass, all {} routines passed (lamps 1 and 1, LED bank 0xffff)\n",
                   numbers.count());
        break;
    case VerdictOutlook::Fail: {
        const unsigned failed = numbers.upTo(w.testNumber) - w.passCount;
        fmt::print("verdict: will be FAIL (LED bank 0, lamps 2 and 2) whatever follows, since "
                   "{} routine{} already failed; at most {} of {} can pass\n",
                   failed, failed == 1 ? " has" : "s have", numbers.count() - failed,
                   numbers.count());
        break;
    }
    case VerdictOutlook::PassIfRest:
        fmt::print("verdict: not decided; pass if {} all pass\n",
                   range(w.testNumber + 1, numbers.last));
        break;
    }
}

// The display words of a log (see readDisplayLog), the last DisplayLog::kMaxWords of them.
std::vector<std::uint32_t> wordsInLog(const std::string& path) {
    DisplayLog log = readDisplayLog(path);
    if (log.dropped)
        fmt::print("{}: {} display words; the first {} left out, the last {} read\n",
                   cli::quoted(path), log.dropped + log.words.size(), log.dropped,
                   log.words.size());
    return std::move(log.words);
}

int decodeSequence(const std::vector<std::uint32_t>& words, const std::optional<RomMap>& map,
                   const RoutineNumbers& numbers) {
    const DisplayRun run = readDisplayRun(words, numbers);
    if (run.words.empty()) {
        fmt::print("the display shows 0: no routine has reported yet\nverdict: none yet\n");
        return kPass;
    }
    fmt::print("{} display word{} from 0x{:08x} to 0x{:08x}: routines {} to {} reported\n",
               run.words.size(), run.words.size() == 1 ? "" : "s", run.words.front().word,
               run.words.back().word, numbers.first, run.lastReported);
    for (unsigned r = numbers.first; r <= run.lastReported; ++r)
        if (run.routine[r] == Known::No) {
            fmt::print("routine {}{} failed\n", r, routineName(map, r));
            printReliedOn(map, r, "  ");
        }
    for (const auto& g : run.gaps) {
        fmt::print("{} (no word seen between 0x{:08x} and 0x{:08x}): {} of {} failed, which "
                   "cannot be told from the display\n",
                   range(g.first, g.last), g.before, g.after, g.failed, g.last - g.first + 1);
    }
    if (run.failed() == 0) fmt::print("every routine up to {} passed\n", run.lastReported);
    if (run.finished())
        fmt::print("verdict: {}, {} of {} routines passed (lamps {} and {})\n",
                   run.failed() ? "FAIL" : "pass", run.passed, numbers.count(),
                   run.failed() ? 2 : 1, run.failed() ? 2 : 1);
    else
        fmt::print("verdict: none yet, the words stop after routine {} of {}; {}\n",
                   run.lastReported, numbers.last,
                   run.failed() ? fmt::format("it will be FAIL, since {} failed",
                                              run.failed() == 1
                                                  ? "1 routine has"
                                                  : fmt::format("{} routines have", run.failed()))
                                : std::string("pass if the rest pass"));
    return run.failed() ? kCoreFailed : kPass;
}

} // namespace

Action addDecodeCommand(CLI::App& app) {
    auto args = std::make_shared<DecodeArgs>();
    CLI::App* sub = app.add_subcommand(
        "decode", "explain words read off the board's display: routines, failures, verdict");
    sub->add_option("words", args->words,
                    "display words, hexadecimal (0x optional), in the order the display showed "
                    "them; one word is explained on its own")
        ->type_name("WORD...");
    sub->add_option("--file", args->file,
                    "read the display words from a log or trace (- for standard input)")
        ->type_name("FILE");
    sub->add_option("--previous", args->previous,
                    "with one word: the word the display showed before it (0 from boot), to tell "
                    "whether the routines in between passed")
        ->type_name("WORD");
    sub->add_option("--elf", args->elf, "ROM image for the routine names (default: this build's)")
        ->type_name("FILE");
    return [args]() -> int {
        if (args->words.empty() == args->file.empty())
            throw InputError("decode: give display words or --file, not both and not neither");
        if (!args->previous.empty() && (args->words.size() != 1))
            throw InputError("decode: --previous goes with one display word; for several, give "
                             "them all in order");
        std::vector<std::uint32_t> words;
        if (!args->file.empty())
            words = wordsInLog(args->file);
        else
            for (const auto& text : args->words)
                words.push_back(hexWord("word", text));
        std::optional<RomMap> map;
        RoutineNumbers numbers;
        if (!args->elf.empty()) {
            map = RomMap::load(Image::load(args->elf));
            numbers = map->routineNumbers();
        } else if (const auto first = std::find_if(words.begin(), words.end(),
                                                   [](std::uint32_t w) { return w != 0; });
                   first != words.end() && (*first >> 24) > kRoutineCount) {
            // A test number after the first ROM's names a routine of the second ROM.
            try {
                map = RomMap::load(Image::load(CORETEST_DEFAULT_ROM2));
            } catch (const InputError& e) {
                throw InputError(fmt::format(
                    "decode: test number {} is a routine of the second ROM (59 on), and its image "
                    "cannot be read ({}); build it or give --elf",
                    *first >> 24, e.what()));
            }
            numbers = map->routineNumbers();
        } else {
            try {
                map = RomMap::load(Image::load(CORETEST_DEFAULT_ROM));
            } catch (const InputError&) {
                // Without the ROM the word still decodes; only the routine names are missing.
            }
        }
        if (!args->file.empty() || args->words.size() > 1)
            return decodeSequence(words, map, numbers);
        const DisplayWord w = readDisplayWord(words.front(), numbers);
        std::optional<DisplayWord> earlier;
        if (!args->previous.empty()) {
            const std::uint32_t previous = hexWord("--previous", args->previous);
            if (previous != 0) earlier = readDisplayWord(previous, numbers); // 0: from boot
        }
        const DisplayStep step = stepBetween(earlier, w, numbers);
        fmt::print("0x{:08x}: test number {} (bits 31-24), pass count {} (bits 23-0)\n", w.word,
                   w.testNumber, w.passCount);
        fmt::print("routine {}: {}\n", w.testNumber, routineText(map, w.testNumber));
        printReliedOn(map, w.testNumber, "");
        printStep(step, earlier, w);
        printVerdict(w, numbers);
        return verdictOutlook(w, numbers) == VerdictOutlook::Fail ? kCoreFailed : kPass;
    };
}

} // namespace coretest::cli
