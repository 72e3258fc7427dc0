#pragma once
// The fault dictionary: for what a board shows (display words, lamps, whether a verdict came),
// the catalogue faults whose whole-core run shows it. Built from whole-core campaign rows, never
// written by hand; faults whose runs show the same are one group the ROM cannot tell apart.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "coretest/campaign.h"
#include "coretest/display_word.h"
#include "coretest/trace.h"

namespace coretest {

// What a user saw on the board. The words are display values in the order shown, the last one
// what the display holds at the end; any of them may be missing.
struct BoardObservation {
    std::vector<std::uint32_t> words;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> lamps; // lamp A, lamp B
    bool noVerdict = false; // the run stopped without lighting the lamps
    bool empty() const { return words.empty() && !lamps && !noVerdict; }
    // The board of a passing run: the last word all of the ROM's routines passed (58 of 58 on
    // the first ROM, 0x52000018 on the second), lamps (if seen) 1 and 1.
    bool showsPass(const RoutineNumbers& numbers = {}) const;
};

// Faults whose whole-core runs show the same board, in catalogue order.
struct AmbiguityGroup {
    std::vector<const FaultDef*> faults;
    BoardOutcome outcome; // what each of them shows
};

struct Candidate {
    const AmbiguityGroup* group = nullptr;
    // Parts of the observation the group's outcome does not show: observed words it does not
    // write in that order, a last word, lamps or verdict it does not end with. 0: consistent.
    unsigned mismatches = 0;
};

// What display words show of each routine (by number, the display word's 8 bits; numbers outside
// the ROM's stay unknown): failed, passed, or not known (not reached, or inside a stretch of
// unseen words). Words no routine of the ROM writes are passed over.
using RoutineVerdicts = std::array<Known, 256>;
RoutineVerdicts routineVerdicts(std::span<const std::uint32_t> words,
                                const RoutineNumbers& numbers = {});

// One part of a board explained by several faults: failing routines that one fault explains,
// and the groups that fail them, best first (the first is the cover's answer).
struct CoverCandidate {
    const AmbiguityGroup* group = nullptr;
    unsigned explained = 0; // of the part's routines, how many the group fails
    unsigned beyond = 0;    // routines the group fails that the board did not show failing
};
struct CoverPart {
    std::vector<unsigned> routines;
    std::vector<CoverCandidate> candidates; // at most kCoverCandidates
};
// The failing routines of a board explained by as few catalogue faults as found (greedy set
// cover): each step takes the group that fails the most routines not yet explained, among the
// groups that fail no routine the board showed passing.
struct SeveralFaults {
    static constexpr std::size_t kCoverCandidates = 3;
    std::vector<unsigned> failing;     // the routines the board showed failing
    std::vector<CoverPart> parts;      // in the order taken
    std::vector<unsigned> unexplained; // failing routines no such group fails
    // The groups to look at, most likely first: each part's answer in turn, then each part's
    // second candidate, and so on; each group once.
    std::vector<const AmbiguityGroup*> answers() const;
};

class FaultDictionary {
  public:
    // From whole-core outcomes (CampaignRow::wholeCore.checked) on a ROM with these routine
    // numbers; other rows are left out.
    explicit FaultDictionary(std::span<const CampaignRow> rows, const RoutineNumbers& numbers = {});
    // Runs the whole-core campaign of these faults and builds the dictionary from it.
    static FaultDictionary build(const Image& image, const RomMap& map,
                                 std::span<const FaultDef* const> faults,
                                 const CampaignOptions& options);

    const std::vector<AmbiguityGroup>& groups() const { return groups_; }
    std::size_t faultCount() const { return faults_; }
    const RoutineNumbers& routineNumbers() const { return numbers_; }
    // Every group, most likely first: fewest mismatches, then more faults (under an even prior
    // over the catalogue a group of more faults explains the observation more often), then
    // catalogue order.
    std::vector<Candidate> rank(const BoardObservation& observation) const;
    const AmbiguityGroup* groupOf(const FaultDef& fault) const;
    // The failing routines the observation's words show, explained by several faults; nothing
    // when the words show no failing routine.
    std::optional<SeveralFaults> explainSeveral(const BoardObservation& observation) const;

  private:
    std::vector<AmbiguityGroup> groups_;
    std::size_t faults_ = 0;
    RoutineNumbers numbers_;
};

// Where a fault's whole-core commit trace (the records `coretest trace` writes) first differs
// from the reference core's, and which other faults of the list have the very same trace: those
// a trace compare cannot separate either.
struct TraceSeparation {
    const FaultDef* fault = nullptr;
    std::optional<std::uint64_t> firstDifference; // 0-based record; none: the same trace
    std::optional<TraceRecord> record;            // the fault's record there (none: trace ended)
    std::vector<const FaultDef*> sameTrace;
};
std::vector<TraceSeparation> separateByTrace(const Image& image,
                                             std::span<const FaultDef* const> faults,
                                             std::uint32_t switchValue);

// Observed words that the outcome does not show in the same order (words minus their longest
// common subsequence with the outcome's display words), plus a different last word, lamps or
// verdict.
unsigned mismatchesOf(const BoardOutcome& outcome, const BoardObservation& observation);

} // namespace coretest
