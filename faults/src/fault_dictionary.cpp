#include "coretest/fault_dictionary.h"

#include <algorithm>

#include "coretest/display_word.h"
#include "coretest/run.h"

namespace coretest {

namespace {

// The display word after the ROM's last routine when every routine passed.
std::uint32_t passWord(const RoutineNumbers& n) {
    return (n.last << 24) | n.count();
}

// Display writes with repeats in a row counted once: a log may print the display twice.
std::vector<std::uint32_t> withoutRepeats(std::span<const std::uint32_t> words) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t w : words)
        if (out.empty() || out.back() != w) out.push_back(w);
    return out;
}

std::size_t commonSubsequence(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b) {
    std::vector<std::size_t> row(b.size() + 1, 0);
    for (std::uint32_t x : a) {
        std::size_t diagonal = 0;
        for (std::size_t j = 0; j < b.size(); ++j) {
            const std::size_t above = row[j + 1];
            row[j + 1] = x == b[j] ? diagonal + 1 : std::max(row[j + 1], row[j]);
            diagonal = above;
        }
    }
    return row[b.size()];
}

bool sameBoard(const BoardOutcome& a, const BoardOutcome& b) {
    return a.displayWords == b.displayWords && a.finalDisplay == b.finalDisplay &&
           a.lampA == b.lampA && a.lampB == b.lampB &&
           (a.reason == StopReason::Verdict) == (b.reason == StopReason::Verdict);
}

// The commit records of one run, at most kMaxRecords: a core looping over a store is cut there.
class RecordedTrace : public CommitStream {
  public:
    static constexpr std::size_t kMaxRecords = 1'000'000;
    std::vector<TraceRecord> records;

  protected:
    void committed(std::uint32_t, const std::vector<TraceRecord>& written) override {
        for (const auto& r : written)
            if (records.size() < kMaxRecords) records.push_back(r);
    }
};

std::vector<TraceRecord> traceOf(const Image& image, const FaultDef* fault,
                                 std::uint32_t switchValue) {
    RecordedTrace trace;
    RunOptions options;
    options.switchValue = switchValue;
    options.instructionLimit = CampaignOptions{}.wholeCoreInstructionLimit;
    options.observer = &trace;
    if (fault) options.faults.push_back({fault, ""});
    run(image, options);
    return std::move(trace.records);
}

} // namespace

std::vector<TraceSeparation> separateByTrace(const Image& image,
                                             std::span<const FaultDef* const> faults,
                                             std::uint32_t switchValue) {
    const auto reference = traceOf(image, nullptr, switchValue);
    std::vector<std::vector<TraceRecord>> traces;
    std::vector<TraceSeparation> out;
    for (const FaultDef* f : faults) {
        traces.push_back(traceOf(image, f, switchValue));
        const auto& t = traces.back();
        TraceSeparation s{f, {}, {}, {}};
        const auto [a, b] = std::mismatch(t.begin(), t.end(), reference.begin(), reference.end());
        if (a != t.end() || b != reference.end()) {
            s.firstDifference = static_cast<std::uint64_t>(a - t.begin());
            if (a != t.end()) s.record = *a;
        }
        out.push_back(std::move(s));
    }
    for (std::size_t i = 0; i < out.size(); ++i)
        for (std::size_t j = 0; j < out.size(); ++j)
            if (i != j && traces[i] == traces[j]) out[i].sameTrace.push_back(out[j].fault);
    return out;
}

bool BoardObservation::showsPass(const RoutineNumbers& numbers) const {
    if (noVerdict || words.empty() || words.back() != passWord(numbers)) return false;
    return !lamps || (lamps->first == 1 && lamps->second == 1);
}

unsigned mismatchesOf(const BoardOutcome& outcome, const BoardObservation& observation) {
    const auto seen = withoutRepeats(observation.words);
    // The display holds 0 from boot, before its first write: a user may read that 0 too.
    std::vector<std::uint32_t> shown{0};
    shown.insert(shown.end(), outcome.displayWords.begin(), outcome.displayWords.end());
    shown = withoutRepeats(shown);
    auto mismatches = static_cast<unsigned>(seen.size() - commonSubsequence(seen, shown));
    if (!seen.empty() && seen.back() != outcome.finalDisplay) ++mismatches;
    if (observation.lamps &&
        (observation.lamps->first != outcome.lampA || observation.lamps->second != outcome.lampB))
        ++mismatches;
    if (observation.noVerdict && outcome.reason == StopReason::Verdict) ++mismatches;
    return mismatches;
}

FaultDictionary::FaultDictionary(std::span<const CampaignRow> rows, const RoutineNumbers& numbers)
    : numbers_(numbers) {
    for (const auto& row : rows) {
        if (!row.wholeCore.checked) continue;
        ++faults_;
        const BoardOutcome& o = row.wholeCore.observed;
        const auto same =
            std::find_if(groups_.begin(), groups_.end(),
                         [&](const AmbiguityGroup& g) { return sameBoard(g.outcome, o); });
        if (same != groups_.end())
            same->faults.push_back(row.fault);
        else
            groups_.push_back({{row.fault}, o});
    }
}

FaultDictionary FaultDictionary::build(const Image& image, const RomMap& map,
                                       std::span<const FaultDef* const> faults,
                                       const CampaignOptions& options) {
    CampaignOptions wholeCore = options;
    wholeCore.wholeCore = true;
    wholeCore.wholeCoreOnly = true;
    return FaultDictionary(runCampaign(image, map, faults, wholeCore), map.routineNumbers());
}

std::vector<Candidate> FaultDictionary::rank(const BoardObservation& observation) const {
    std::vector<Candidate> out;
    for (const auto& g : groups_)
        out.push_back({&g, mismatchesOf(g.outcome, observation)});
    std::stable_sort(out.begin(), out.end(), [](const Candidate& a, const Candidate& b) {
        if (a.mismatches != b.mismatches) return a.mismatches < b.mismatches;
        return a.group->faults.size() > b.group->faults.size();
    });
    return out;
}

RoutineVerdicts routineVerdicts(std::span<const std::uint32_t> words,
                                const RoutineNumbers& numbers) {
    RoutineVerdicts out;
    out.fill(Known::Unknown);
    // The last result word's fields; from boot, the routine before the first and no pass.
    const unsigned before = numbers.first - 1;
    unsigned test = before, passes = 0;
    for (std::uint32_t w : words) {
        const unsigned t = w >> 24, p = w & 0xffffff;
        if (w == 0 || t < numbers.first || t > numbers.last || p > numbers.upTo(t)) continue;
        if (t < test) { // a new run: what was seen before is gone
            out.fill(Known::Unknown);
            test = before;
            passes = 0;
        }
        // Routines test+1 to t: all failed when none passed, all passed when every one did,
        // otherwise not known which.
        if (t > test && p >= passes && p - passes <= t - test &&
            (p == passes || p - passes == t - test))
            for (unsigned r = test + 1; r <= t; ++r)
                out[r] = p == passes ? Known::No : Known::Yes;
        test = t;
        passes = p;
    }
    return out;
}

std::vector<const AmbiguityGroup*> SeveralFaults::answers() const {
    std::vector<const AmbiguityGroup*> out;
    for (std::size_t rank = 0; rank < kCoverCandidates; ++rank)
        for (const auto& part : parts)
            if (rank < part.candidates.size() &&
                std::find(out.begin(), out.end(), part.candidates[rank].group) == out.end())
                out.push_back(part.candidates[rank].group);
    return out;
}

std::optional<SeveralFaults>
FaultDictionary::explainSeveral(const BoardObservation& observation) const {
    const RoutineVerdicts seen = routineVerdicts(withoutRepeats(observation.words), numbers_);
    SeveralFaults out;
    std::vector<bool> uncovered(numbers_.last + 1, false);
    for (unsigned r = numbers_.first; r <= numbers_.last; ++r)
        if (seen[r] == Known::No) {
            out.failing.push_back(r);
            uncovered[r] = true;
        }
    if (out.failing.empty()) return std::nullopt;

    // Each group's failing routines; groups that fail a routine the board showed passing cannot
    // be part of the answer.
    struct Eligible {
        const AmbiguityGroup* group;
        std::vector<unsigned> fails;
        unsigned beyond = 0;
    };
    std::vector<Eligible> eligible;
    for (const auto& g : groups_) {
        const RoutineVerdicts v = routineVerdicts(g.outcome.displayWords, numbers_);
        Eligible e{&g, {}, 0};
        bool contradicts = false, touches = false;
        for (unsigned r = numbers_.first; r <= numbers_.last; ++r) {
            if (v[r] != Known::No) continue;
            e.fails.push_back(r);
            contradicts = contradicts || seen[r] == Known::Yes;
            touches = touches || seen[r] == Known::No;
            e.beyond += seen[r] != Known::No;
        }
        if (touches && !contradicts) eligible.push_back(std::move(e));
    }
    const auto countIn = [](const std::vector<unsigned>& fails, auto&& in) {
        return static_cast<unsigned>(std::count_if(fails.begin(), fails.end(), in));
    };
    // Better: explains more, fails fewer routines beyond the board's, holds more faults; the
    // groups' order (catalogue order) breaks ties, as the stable sort keeps it.
    const auto better = [](const CoverCandidate& a, const CoverCandidate& b) {
        if (a.explained != b.explained) return a.explained > b.explained;
        if (a.beyond != b.beyond) return a.beyond < b.beyond;
        return a.group->faults.size() > b.group->faults.size();
    };
    std::size_t left = out.failing.size();
    while (left > 0) {
        std::vector<CoverCandidate> step;
        for (const auto& e : eligible) {
            const unsigned n = countIn(e.fails, [&](unsigned r) { return uncovered[r]; });
            if (n) step.push_back({e.group, n, e.beyond});
        }
        if (step.empty()) break;
        std::stable_sort(step.begin(), step.end(), better);
        CoverPart part;
        const RoutineVerdicts chosen =
            routineVerdicts(step.front().group->outcome.displayWords, numbers_);
        for (unsigned r : out.failing)
            if (uncovered[r] && chosen[r] == Known::No) part.routines.push_back(r);
        for (unsigned r : part.routines)
            uncovered[r] = false;
        left -= part.routines.size();
        // The part's candidates: the groups that fail most of its routines.
        for (const auto& e : eligible) {
            const unsigned n = countIn(e.fails, [&](unsigned r) {
                return std::find(part.routines.begin(), part.routines.end(), r) !=
                       part.routines.end();
            });
            if (n) part.candidates.push_back({e.group, n, e.beyond});
        }
        std::stable_sort(part.candidates.begin(), part.candidates.end(), better);
        // The cover's own choice leads, even where another group explains as much.
        const auto first =
            std::find_if(part.candidates.begin(), part.candidates.end(),
                         [&](const CoverCandidate& c) { return c.group == step.front().group; });
        std::rotate(part.candidates.begin(), first, first + 1);
        if (part.candidates.size() > SeveralFaults::kCoverCandidates)
            part.candidates.resize(SeveralFaults::kCoverCandidates);
        out.parts.push_back(std::move(part));
    }
    for (unsigned r : out.failing)
        if (uncovered[r]) out.unexplained.push_back(r);
    return out;
}

const AmbiguityGroup* FaultDictionary::groupOf(const FaultDef& fault) const {
    for (const auto& g : groups_)
        if (std::find(g.faults.begin(), g.faults.end(), &fault) != g.faults.end()) return &g;
    return nullptr;
}

} // namespace coretest
