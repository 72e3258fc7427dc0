// How well `coretest diagnose` names a fault from the board alone: every catalogue fault's own
// whole-core display sequence (and lamps, and whether a verdict came) is fed back into the fault
// dictionary, and again only its final display word. Prints how often the fault's group (the
// faults the ROM cannot tell from it) ranks first and in the top three, and the campaign time.
// Usage: diagnose_bench [ROM.elf]
#include <fmt/format.h>

#include <chrono>
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
    full.print("display sequence");
    board.print("display sequence, lamps, verdict or not");
    last.print("final display word only");
}
