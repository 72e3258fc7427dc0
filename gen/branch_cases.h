#pragma once
// Case lists of the control-transfer routines (conditional branches, branch-and-link, jumps):
// the values of one case, how markers and operands are drawn without repeats, the taken/not-taken
// pattern of a run of random operands, the source line of a case, and the one writer that turns
// a routine's planned cases into the lines of its unit.
#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "branch_rule.h"
#include "operand.h"
#include "rng.h"
#include "unit.h"

namespace casegen::branch {

// The constants of one case. A taken case expects its markers in v0 and v1, a not-taken one 0.
struct CaseValues {
    int number = 0; // 1-based within the routine
    std::uint32_t markerA = 0;
    std::uint32_t markerB = 0;
    std::vector<std::uint32_t> operands; // t0, then t1 for beq and bne; none for the jumps
    bool taken = true;

    std::uint32_t expectedV0() const { return taken ? markerA : 0; }
    std::uint32_t expectedV1() const { return taken ? markerB : 0; }
    // Instructions of the operand loads of every constant the case places: marker A, the
    // operands, marker B, expected v0 and expected v1 (for a jump the markers once more).
    int loadWords() const {
        int words = casegen::loadWords(markerA) + casegen::loadWords(markerB) +
                    casegen::loadWords(expectedV0()) + casegen::loadWords(expectedV1());
        for (const std::uint32_t v : operands)
            words += casegen::loadWords(v);
        return words;
    }
};

// A case the routine fixes completely: operands, markers and the stated expectation.
struct FixedCase {
    int number;
    std::vector<std::uint32_t> operands;
    std::uint32_t markerA;
    std::uint32_t markerB;
    bool taken;
};

// Draws full-width values (lui then ori), none twice: every marker and random operand of a
// routine comes from one of these, after the routine's fixed values have been reserved.
class DistinctValues {
  public:
    explicit DistinctValues(Rng& rng) : rng_(rng) {}

    void reserve(std::uint32_t v) { used_.insert(v); }
    std::uint32_t draw() {
        return drawWhere([](std::uint32_t) { return true; });
    }
    template <class Keep>
    std::uint32_t drawWhere(Keep keep) {
        for (;;) {
            const std::uint32_t v = drawFullWidth(rng_);
            if (keep(v) && used_.insert(v).second) return v;
        }
    }

  private:
    Rng& rng_;
    std::set<std::uint32_t> used_;
};

// A case whose outcome the list fixes in advance.
struct PinnedOutcome {
    int number;
    bool taken;
};

// Taken (true) or not for cases 1..count of a run of random operands. One of firstTaken and
// firstNotTaken is 1: the cases before the other one share case 1's outcome and that case has
// the other outcome. Pinned cases keep theirs, and the rest of the `taken` taken cases are
// shuffled over the remaining places, so that the outcomes alternate without pattern.
inline std::vector<bool> outcomePattern(Rng& rng, int count, int taken, int firstTaken,
                                        int firstNotTaken, std::span<const PinnedOutcome> pinned) {
    enum Place : char { Free, NotTaken, Taken };
    std::vector<Place> places(count, Free);
    const auto set = [&](int number, bool outcome) {
        places.at(number - 1) = outcome ? Taken : NotTaken;
    };
    const bool firstOutcome = firstTaken == 1;
    const int turn = firstOutcome ? firstNotTaken : firstTaken;
    for (int n = 1; n < turn; ++n)
        set(n, firstOutcome);
    set(turn, !firstOutcome);
    for (const auto& p : pinned)
        set(p.number, p.taken);

    std::vector<int> freePlaces;
    long takenLeft = taken - std::count(places.begin(), places.end(), Taken);
    for (int i = 0; i < count; ++i)
        if (places[i] == Free) freePlaces.push_back(i);
    for (std::size_t k = freePlaces.size(); k > 1; --k) // Fisher-Yates
        std::swap(freePlaces[k - 1], freePlaces[rng.below(static_cast<std::uint32_t>(k))]);
    for (const int i : freePlaces)
        places[i] = takenLeft-- > 0 ? Taken : NotTaken;

    std::vector<bool> outcome;
    for (const Place p : places)
        outcome.push_back(p == Taken);
    return outcome;
}

// The case of this number among the fixed ones, or nullptr.
inline const FixedCase* findFixed(std::span<const FixedCase> fixed, int number) {
    const auto it = std::find_if(fixed.begin(), fixed.end(),
                                 [&](const FixedCase& f) { return f.number == number; });
    return it == fixed.end() ? nullptr : &*it;
}

// A one-operand list: a run of random operands of mixed sign, then one case with operand 0.
struct SignedRun {
    int negatives; // random operands with bit 31 set
    int positives;
    int firstTaken;
    int firstNotTaken;
    bool zeroTaken; // the last case, operand 0
};

// The operand of every case of a one-operand list of `cases` cases, `taken` of them taken: fixed
// cases keep theirs, every other random operand is drawn so that the branch rule gives it the
// outcome of its place in the pattern.
inline std::vector<std::uint32_t> signedRunOperands(Rng& rng, DistinctValues& values,
                                                    Condition condition, int cases, int taken,
                                                    const SignedRun& run,
                                                    std::span<const FixedCase> fixed,
                                                    std::span<const PinnedOutcome> pinned = {}) {
    const int random = cases - 1;
    const std::vector<bool> outcome = outcomePattern(rng, random, taken - (run.zeroTaken ? 1 : 0),
                                                     run.firstTaken, run.firstNotTaken, pinned);
    std::vector<std::uint32_t> operands;
    for (int n = 1; n <= random; ++n) {
        const bool want = outcome[n - 1];
        const FixedCase* f = findFixed(fixed, n);
        operands.push_back(f ? f->operands.at(0) : values.drawWhere([&](std::uint32_t v) {
            return branches(condition, v) == want;
        }));
    }
    operands.push_back(0);
    return operands;
}

// A constant as the units write it: 0, or eight hexadecimal digits.
inline std::string literal(std::uint32_t v) {
    return v == 0 ? "0" : hex32(v);
}

// One case as one source line: the routine's template macro with its arguments, then the case
// number as a comment.
inline std::string caseLine(std::string_view macro, std::span<const std::uint32_t> arguments,
                            int number) {
    std::string call = fmt::format("{}_case ", macro);
    for (std::size_t i = 0; i < arguments.size(); ++i)
        call += (i ? ", " : "") + literal(arguments[i]);
    return fmt::format("{:<72}# case {}", call, number);
}

// The routine of this unit number among a family's routines, or nullptr when it has none.
template <class Routine>
const Routine* findRoutine(const std::vector<Routine>& routines, int number) {
    const auto it = std::find_if(routines.begin(), routines.end(),
                                 [&](const Routine& r) { return r.number == number; });
    return it == routines.end() ? nullptr : &*it;
}

// Keeps every value of the fixed cases out of the draws.
inline void reserveFixed(DistinctValues& values, std::span<const FixedCase> fixed) {
    for (const auto& f : fixed) {
        for (const std::uint32_t v : f.operands)
            values.reserve(v);
        values.reserve(f.markerA);
        values.reserve(f.markerB);
    }
}

// A case before its markers are drawn: its operands, and the heading of the group it opens or
// continues.
struct PlannedCase {
    std::vector<std::uint32_t> operands;
    std::string_view heading;
};

// A marker A that the list places with lui alone, in a case whose outcome it fixes.
struct ShortMarker {
    int number;
    std::uint32_t markerA;
    bool taken;
};

// What the back-and-forth lists of the three families differ in.
struct CaseList {
    std::string_view op;                // the template macro is <op>_case
    std::optional<Condition> condition; // the branch rule; none for a jump, which always transfers
    int fixedWords;                     // instructions of a case besides its constant loads
    std::span<const FixedCase> fixed;
    std::optional<ShortMarker> shortMarker = {};
};

// The cases as written, and the instructions of each.
struct WrittenCases {
    std::vector<CaseValues> cases;
    std::vector<int> lengths;
};

// Writes the planned cases into the unit in order, one line each, with a heading comment wherever
// the heading changes (a blank line before all but the first). A case's markers are its fixed
// ones, the short marker A, or drawn; its outcome is the branch rule's. A branch template takes
// expected v0 and v1, the markers, then the operands; a jump template, which always expects the
// markers, takes them alone.
inline WrittenCases writeCases(Unit& u, const CaseList& list, std::span<const PlannedCase> plan,
                               DistinctValues& values) {
    WrittenCases out;
    std::string_view group;
    for (const auto& p : plan) {
        CaseValues c;
        c.number = static_cast<int>(out.cases.size()) + 1;
        c.operands = p.operands;
        if (const FixedCase* f = findFixed(list.fixed, c.number)) {
            c.markerA = f->markerA;
            c.markerB = f->markerB;
        } else {
            const auto& m = list.shortMarker;
            c.markerA = m && m->number == c.number ? m->markerA : values.draw();
            c.markerB = values.draw();
        }
        if (list.condition)
            c.taken = branches(*list.condition, c.operands.at(0),
                               c.operands.size() > 1 ? c.operands[1] : 0);

        if (p.heading != group) {
            if (!u.lines.empty()) u.lines.emplace_back();
            u.lines.push_back(fmt::format("# {}", p.heading));
            group = p.heading;
        }
        std::vector<std::uint32_t> args;
        if (list.condition) args = {c.expectedV0(), c.expectedV1()};
        args.insert(args.end(), {c.markerA, c.markerB});
        args.insert(args.end(), c.operands.begin(), c.operands.end());
        u.lines.push_back(caseLine(list.op, args, c.number));
        out.lengths.push_back(list.fixedWords + c.loadWords());
        u.bodyWords += out.lengths.back();
        out.cases.push_back(std::move(c));
    }
    return out;
}

} // namespace casegen::branch
