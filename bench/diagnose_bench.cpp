// How well `coretest diagnose` names a fault from the board alone: every catalogue fault's own
// whole-core display sequence (and lamps, and whether a verdict came) is fed back into the fault
// dictionary, and again only its final display word. Prints how often the fault's group (the
// faults the ROM cannot tell from it) ranks first and in the top three, and the campaign time.
// Then pairs of faults that fail different routines, injected together into the reference core:
// how often both are named among the first three answers (the cover of the failing routines by
// several faults when no single fault fits, else the single-fault ranking).
// Usage: diagnose_bench [ROM.elf]
#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <thread>

#include "coretest/catalogue.h"
#include "coretest/fault_dictionary.h"

namespace {

using namespace coretest;

struct Hits {
    std::size_t first = 0, topThree = 0, total = 0;
    void add(const std::vector<Candidate>& ranked, const AmbiguityGroup* truth) {
        ++total;
        for (std::size_t i = 0; i < ranked.size() && i < 3; ++i)
            if (ranked[i].group == truth) {
                first += i == 0;
                ++topThree;
            }
    }
    void print(const char* what) const {
        fmt::print("{:<40} top-1 {:5.1f}% ({}/{})   top-3 {:5.1f}% ({}/{})\n", what,
                   100.0 * static_cast<double>(first) / static_cast<double>(total), first, total,
                   100.0 * static_cast<double>(topThree) / static_cast<double>(total), topThree,
                   total);
    }
};

// Each pair's faults named among the first three answers diagnose gives for their board.
struct PairHits {
    std::size_t both = 0, total = 0, cover = 0;
    void add(const FaultDictionary& dictionary, const BoardObservation& seen, const FaultDef* a,
             const FaultDef* b) {
        ++total;
        std::vector<const AmbiguityGroup*> answers;
        const auto ranked = dictionary.rank(seen);
        const auto several = dictionary.explainSeveral(seen);
        if (ranked.front().mismatches > 0 && several && several->parts.size() > 1) {
            ++cover;
            answers = several->answers();
        } else {
            for (const auto& c : ranked)
                answers.push_back(c.group);
        }
        if (answers.size() > 3) answers.resize(3);
        const auto named = [&](const FaultDef* f) {
            return std::find(answers.begin(), answers.end(), dictionary.groupOf(*f)) !=
                   answers.end();
        };
        both += named(a) && named(b);
    }
};

std::vector<unsigned> failingRoutines(const BoardOutcome& o) {
    std::vector<unsigned> out;
    const RoutineVerdicts v = routineVerdicts(o.displayWords);
    for (unsigned r = 1; r <= kRoutineCount; ++r)
        if (v[r] == Known::No) out.push_back(r);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    const Image image = Image::load(argc > 1 ? argv[1] : CORETEST_ROM_PATH);
    const RomMap map = RomMap::load(image);
    const auto faults = FaultFilter().select(faultCatalogue());
    CampaignOptions options;
    options.threads = 2;
    options.wholeCoreOnly = true;
    const auto start = std::chrono::steady_clock::now();
    const auto rows = runCampaign(image, map, faults, options);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const FaultDictionary dictionary(rows);

    Hits full, board, last;
    for (const auto& row : rows) {
        const BoardOutcome& o = row.wholeCore.observed;
        const AmbiguityGroup* truth = dictionary.groupOf(*row.fault);
        BoardObservation seen;
        seen.words = o.displayWords;
        if (seen.words.empty()) seen.words.push_back(o.finalDisplay);
        full.add(dictionary.rank(seen), truth);
        seen.lamps = {{o.lampA, o.lampB}};
        seen.noVerdict = o.reason != StopReason::Verdict;
        board.add(dictionary.rank(seen), truth);
        BoardObservation final;
        final.words = {o.finalDisplay};
        last.add(dictionary.rank(final), truth);
    }
    fmt::print("{} faults, {} groups the board tells apart; whole-core campaign {:.2f} s on {} "
               "threads\n",
               dictionary.faultCount(), dictionary.groups().size(), seconds, options.threads);

    // Pairs of faults that fail different routines and both end in a verdict, spread evenly
    // over every such pair; both injected into one core, run on two threads.
    std::vector<std::pair<std::size_t, std::size_t>> candidates;
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t j = i + 1; j < rows.size(); ++j) {
            const BoardOutcome &a = rows[i].wholeCore.observed, &b = rows[j].wholeCore.observed;
            if (a.reason != StopReason::Verdict || b.reason != StopReason::Verdict) continue;
            const auto fa = failingRoutines(a), fb = failingRoutines(b);
            std::vector<unsigned> both;
            std::set_intersection(fa.begin(), fa.end(), fb.begin(), fb.end(),
                                  std::back_inserter(both));
            if (!fa.empty() && !fb.empty() && both.empty()) candidates.push_back({i, j});
        }
    constexpr std::size_t kPairs = 300;
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (std::size_t k = 0; k < kPairs && k < candidates.size(); ++k)
        pairs.push_back(candidates[k * candidates.size() / std::min(kPairs, candidates.size())]);
    std::vector<BoardOutcome> outcomes(pairs.size());
    const auto pairStart = std::chrono::steady_clock::now();
    {
        std::vector<std::thread> workers;
        for (unsigned t = 0; t < options.threads; ++t)
            workers.emplace_back([&, t] {
                for (std::size_t k = t; k < pairs.size(); k += options.threads) {
                    const FaultDef* both[] = {rows[pairs[k].first].fault,
                                              rows[pairs[k].second].fault};
                    outcomes[k] = wholeCoreOutcome(image, map, both, options);
                }
            });
        for (auto& w : workers)
            w.join();
    }
    PairHits pairHits;
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const BoardOutcome& o = outcomes[k];
        BoardObservation seen;
        seen.words = o.displayWords;
        if (seen.words.empty()) seen.words.push_back(o.finalDisplay);
        seen.lamps = {{o.lampA, o.lampB}};
        seen.noVerdict = o.reason != StopReason::Verdict;
        pairHits.add(dictionary, seen, rows[pairs[k].first].fault, rows[pairs[k].second].fault);
    }
    const double pairSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - pairStart).count();

    full.print("display sequence");
    board.print("display sequence, lamps, verdict or not");
    last.print("final display word only");
    fmt::print("pairs of faults in different routines, injected together: {} of {} pairs "
               "({:.2f} s)\n",
               pairs.size(), candidates.size(), pairSeconds);
    fmt::print("{:<40} both in the first three answers {:5.1f}% ({}/{}); {} answered by a "
               "cover of several faults\n",
               "display sequence, lamps, verdict or not",
               100.0 * static_cast<double>(pairHits.both) / static_cast<double>(pairHits.total),
               pairHits.both, pairHits.total, pairHits.cover);
}
