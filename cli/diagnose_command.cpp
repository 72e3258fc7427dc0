// coretest diagnose: from what a board showed (display words, lamps, a run that stopped), the
// catalogue faults that show the same on the whole core, most likely first, and what to look at
// next to tell them apart.
#include <fmt/format.h>

#include <charconv>
#include <fmt/ranges.h>
#include <iostream>
#include <nlohmann/json.hpp>
#include <thread>

#include "commands.h"
#include "coretest/catalogue.h"
#include "coretest/display_log.h"
#include "coretest/display_word.h"
#include "coretest/fault_dictionary.h"
#include "coretest/routine_instructions.h"
#include "numbers.h"
#include "option_types.h"
#include "output.h"

namespace coretest::cli {

namespace {

struct DiagnoseArgs {
    std::vector<std::string> words;
    std::string log;
    std::string lamps;
    RomChoice image;
    std::string topText = "3";
    bool noVerdict = false;
    bool json = false;
};

std::optional<std::uint32_t> hexWord(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    std::uint32_t v = 0;
    if (text.empty() || text.size() > 8) return std::nullopt;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 16);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return v;
}

BoardObservation observationOf(const DiagnoseArgs& args) {
    BoardObservation o;
    for (const auto& text : args.words) {
        const auto w = hexWord(text);
        if (!w)
            throw InputError(fmt::format("display word {}: expected up to 8 hexadecimal digits "
                                         "(0x optional), such as 3a000039",
                                         cli::quoted(text)));
        o.words.push_back(*w);
    }
    if (!args.log.empty()) {
        const DisplayLog log = readDisplayLog(args.log);
        o.words.insert(o.words.end(), log.words.begin(), log.words.end());
    }
    if (!args.lamps.empty()) {
        const auto comma = args.lamps.find(',');
        if (comma == std::string::npos)
            throw InputError(fmt::format("--lamps {}: expected lamp A and lamp B as A,B, such "
                                         "as 2,2",
                                         cli::quoted(args.lamps)));
        o.lamps = {static_cast<std::uint32_t>(
                       parseNumber("--lamps", args.lamps.substr(0, comma), 0xffffffff)),
                   static_cast<std::uint32_t>(
                       parseNumber("--lamps", args.lamps.substr(comma + 1), 0xffffffff))};
    }
    o.noVerdict = args.noVerdict;
    if (o.noVerdict && o.lamps && o.lamps->first != 0)
        throw InputError("--no-verdict with lit lamps: a run that stopped without a verdict "
                         "leaves lamp A dark (0)");
    if (o.empty())
        throw InputError("nothing observed: give display words, --log FILE, --lamps A,B or "
                         "--no-verdict");
    return o;
}

std::string faultNames(const std::vector<const FaultDef*>& faults) {
    std::string out;
    for (const FaultDef* f : faults)
        out += (out.empty() ? "" : ", ") + std::string(f->name);
    return out;
}

// What to look at for a group: the first failing routine's instruction and what it relies on.
struct NextStep {
    std::string routine, instruction;
    std::vector<std::string> reliedOn;
};
std::optional<NextStep> nextStep(const AmbiguityGroup& g, const RomMap& map) {
    if (!g.outcome.first) return std::nullopt;
    const RoutineMap* r = map.routineNamed(g.outcome.first->routine);
    if (!r) return std::nullopt;
    return NextStep{r->name, testedMnemonic(*r), reliedOnInstructions(map, *r)};
}

std::string observationText(const BoardObservation& o) {
    std::string out = o.words.empty()       ? "no display word"
                      : o.words.size() == 1 ? fmt::format("display word 0x{:08x}", o.words.back())
                                            : fmt::format("{} display words, last 0x{:08x}",
                                                          o.words.size(), o.words.back());
    if (o.lamps) out += fmt::format(", lamps {},{}", o.lamps->first, o.lamps->second);
    if (o.noVerdict) out += ", no verdict";
    return out;
}

std::string separationText(const TraceSeparation& s) {
    if (!s.firstDifference)
        return fmt::format("{}: the same trace as the reference core", s.fault->name);
    return fmt::format("{}: first differs at record {}{}", s.fault->name, *s.firstDifference + 1,
                       s.record ? " (" + formatRecord(*s.record) + ")" : " (its trace ends)");
}

// "routine 41 (n41_div_test)", "routines 50 and 51 (n50_mthi_test, n51_mtlo_test)".
std::string routinesText(const std::vector<unsigned>& routines, const RomMap& map) {
    std::vector<std::string> numbers, names;
    for (unsigned n : routines) {
        numbers.push_back(std::to_string(n));
        for (const auto& r : map.routines())
            if (r.number == static_cast<int>(n)) names.push_back(r.name);
    }
    std::string list = fmt::format("{}", fmt::join(numbers, ", "));
    if (const auto comma = list.rfind(", "); comma != std::string::npos)
        list.replace(comma, 2, " and ");
    return fmt::format("routine{} {}{}", routines.size() == 1 ? "" : "s", list,
                       names.empty() ? "" : fmt::format(" ({})", fmt::join(names, ", ")));
}

std::string coverCandidateText(const CoverCandidate& c, std::size_t partSize) {
    std::string out = faultNames(c.group->faults);
    if (c.explained < partSize)
        out += fmt::format(" (fails {} of {})", c.explained, partSize);
    if (c.beyond)
        out += fmt::format(" (fails {} more routine{} the board did not show failing)", c.beyond,
                           c.beyond == 1 ? "" : "s");
    return out;
}

std::string thingsText(unsigned m) {
    return fmt::format("{} thing{} you saw differ{}", m, m == 1 ? "" : "s", m == 1 ? "s" : "");
}

} // namespace

Action addDiagnoseCommand(CLI::App& app) {
    auto args = std::make_shared<DiagnoseArgs>();
    CLI::App* sub = app.add_subcommand(
        "diagnose", "name the catalogue faults that show what your board showed");
    sub->add_option("words", args->words,
                    "display words in the order shown (hexadecimal); the last is the final one");
    sub->add_option("--log", args->log,
                    "read the display words from a log, as decode --file reads it: lines with "
                    "'display 0x...', trace records storing to the display or a word alone "
                    "(gzip too; '-': stdin)");
    sub->add_option("--lamps", args->lamps, "lamp A and lamp B at the end, as A,B (such as 2,2)")
        ->type_name("A,B");
    sub->add_flag("--no-verdict", args->noVerdict,
                  "the run stopped without a verdict (the lamps stayed dark)");
    args->image.elfOption = sub->add_option("--elf", args->image.elf,
                                            "ROM image (default: the ROM this build produced)");
    args->image.addRomOption(*sub);
    sub->add_option("--top", args->topText, "candidate groups to show (default 3)");
    sub->add_flag("--json", args->json, "print one JSON document");
    return [args]() {
        const BoardObservation observation = observationOf(*args);
        const auto top = static_cast<std::size_t>(parseNumber("--top", args->topText, 1000));
        const Image image = Image::load(args->image.path());
        const RomMap map = RomMap::load(image);
        CampaignOptions options;
        options.threads = std::max(1u, std::thread::hardware_concurrency());
        const auto faults = FaultFilter().select(faultCatalogue());
        const FaultDictionary dictionary = FaultDictionary::build(image, map, faults, options);
        const auto ranked = dictionary.rank(observation);
        const bool pass = observation.showsPass(map.routineNumbers());
        const std::size_t shown = std::min(top, ranked.size());
        // No catalogue fault alone shows the board: the failing routines, explained by several.
        const bool singleFits = pass || ranked.empty() || ranked.front().mismatches == 0;
        std::optional<SeveralFaults> several;
        if (!singleFits) several = dictionary.explainSeveral(observation);
        if (several && several->parts.size() < 2) several.reset();
        // A trace separates the faults of the best group when their traces differ.
        std::vector<TraceSeparation> separation;
        if (!ranked.empty() && ranked.front().group->faults.size() > 1 && !pass && !several)
            separation = separateByTrace(image, ranked.front().group->faults, options.switchValue);

        if (args->json) {
            nlohmann::json j = {{"observation", observationText(observation)},
                                {"pass", pass},
                                {"faults", dictionary.faultCount()},
                                {"groups", dictionary.groups().size()},
                                {"candidates", nlohmann::json::array()}};
            for (std::size_t i = 0; i < shown; ++i) {
                const AmbiguityGroup& g = *ranked[i].group;
                nlohmann::json c = {{"rank", i + 1},
                                    {"mismatches", ranked[i].mismatches},
                                    {"faults", nlohmann::json::array()},
                                    {"outcome", g.outcome.describe()}};
                for (const FaultDef* f : g.faults)
                    c["faults"].push_back(f->name);
                if (const auto next = nextStep(g, map))
                    c["look_at"] = {{"routine", next->routine},
                                    {"instruction", next->instruction},
                                    {"relies_on", next->reliedOn}};
                j["candidates"].push_back(c);
            }
            if (!singleFits) j["single_fault_fits"] = false;
            if (several) {
                nlohmann::json parts = nlohmann::json::array();
                for (const auto& part : several->parts) {
                    nlohmann::json p = {{"routines", part.routines},
                                        {"candidates", nlohmann::json::array()}};
                    for (const auto& c : part.candidates) {
                        nlohmann::json k = {{"faults", nlohmann::json::array()},
                                            {"explains", c.explained},
                                            {"fails_beyond", c.beyond},
                                            {"outcome", c.group->outcome.describe()}};
                        for (const FaultDef* f : c.group->faults)
                            k["faults"].push_back(f->name);
                        p["candidates"].push_back(k);
                    }
                    parts.push_back(p);
                }
                j["several_faults"] = {{"failing_routines", several->failing},
                                       {"parts", parts},
                                       {"unexplained_routines", several->unexplained}};
            }
            for (const auto& s : separation)
                j["trace_separation"].push_back(
                    {{"fault", s.fault->name},
                     {"first_difference", s.firstDifference ? nlohmann::json(*s.firstDifference + 1)
                                                            : nlohmann::json(nullptr)},
                     {"same_trace", faultNames(s.sameTrace)}});
            std::cout << jsonText(j) << "\n";
            return pass ? kPass : kCoreFailed;
        }
        fmt::print("coretest diagnose: {}; {} catalogue faults in {} groups the board can tell "
                   "apart (whole core, {})\n",
                   observationText(observation), dictionary.faultCount(),
                   dictionary.groups().size(), image.name());
        if (!singleFits)
            fmt::print("no single catalogue fault shows what the board showed (the closest: "
                       "{}){}\n",
                       thingsText(ranked.front().mismatches),
                       several ? fmt::format("; {} faults together explain its {} failing "
                                             "routines:",
                                             several->parts.size(), several->failing.size())
                               : std::string(":"));
        if (several) {
            for (std::size_t i = 0; i < several->parts.size(); ++i) {
                const CoverPart& part = several->parts[i];
                const AmbiguityGroup& g = *part.candidates.front().group;
                fmt::print("{}. {}: {}\n", i + 1, routinesText(part.routines, map),
                           coverCandidateText(part.candidates.front(), part.routines.size()));
                fmt::print("   alone it shows: {}\n", g.outcome.describe());
                if (g.faults.size() > 1)
                    fmt::print("   the ROM cannot tell these {} apart\n", g.faults.size());
                if (part.candidates.size() > 1) {
                    std::string others;
                    for (std::size_t k = 1; k < part.candidates.size(); ++k)
                        others += (others.empty() ? "" : "; ") +
                                  coverCandidateText(part.candidates[k], part.routines.size());
                    fmt::print("   or: {}\n", others);
                }
                if (const auto next = nextStep(g, map))
                    fmt::print("   look at: {} (the instruction {} tests)\n", next->instruction,
                               next->routine);
            }
            if (!several->unexplained.empty())
                fmt::print("no catalogue fault fails {}\n",
                           routinesText(several->unexplained, map));
            fmt::print("the closest single faults:\n");
        } else {
            fmt::print("{}\n", pass ? "the board shows a pass; these faults also pass on the "
                                      "whole core:"
                                    : "the board shows a failing core; most likely first:");
        }
        for (std::size_t i = 0; i < shown; ++i) {
            const AmbiguityGroup& g = *ranked[i].group;
            const unsigned m = ranked[i].mismatches;
            fmt::print("{}. {} ({})\n", i + 1, faultNames(g.faults),
                       m == 0 ? "consistent with all you saw" : thingsText(m));
            fmt::print("   shows: {}\n", g.outcome.describe());
            if (g.faults.size() > 1)
                fmt::print("   the ROM cannot tell these {} apart\n", g.faults.size());
            if (const auto next = nextStep(g, map); next && !pass) {
                std::string relied;
                for (const auto& r : next->reliedOn)
                    relied += (relied.empty() ? "" : ", ") + r;
                fmt::print("   look at: {} (the instruction {} tests); it relies on {}\n",
                           next->instruction, next->routine,
                           relied.empty() ? "nothing else" : relied);
            }
        }
        if (!separation.empty()) {
            std::size_t alike = 0;
            for (const auto& s : separation)
                alike += !s.sameTrace.empty();
            fmt::print("a trace (coretest trace, then coretest compare on your core's) {} the "
                       "faults of group 1:\n",
                       alike == 0                   ? "separates"
                       : alike == separation.size() ? "does not separate"
                                                    : "partly separates");
            for (const auto& s : separation)
                fmt::print("   {}{}\n", separationText(s),
                           s.sameTrace.empty() ? ""
                                               : "; the same trace as " + faultNames(s.sameTrace));
        }
        return pass ? kPass : kCoreFailed;
    };
}

} // namespace coretest::cli
