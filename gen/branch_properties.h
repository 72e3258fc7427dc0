#pragma once
// The counted properties that the control-transfer families (conditional branches,
// branch-and-link, jumps) report the same way, computed from the case values as generated.
#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "branch_cases.h"
#include "operand.h"
#include "unit.h"

namespace casegen::branch {

// Random operands: two-instruction loads, none used twice (an equal pair is one value).
inline void addRandomOperandProperties(Unit& u, std::span<const CaseValues> cases) {
    bool loads = true;
    std::set<std::uint32_t> seen;
    std::size_t placed = 0;
    for (const auto& c : cases) {
        std::set<std::uint32_t> own;
        for (const std::uint32_t v : c.operands) {
            if (v == 0) continue;
            loads = loads && casegen::loadWords(v) == 2;
            own.insert(v);
        }
        placed += own.size();
        seen.insert(own.begin(), own.end());
    }
    u.properties.push_back(
        flagProperty("random operands nonzero with a nonzero lower half (lui, ori)", loads));
    u.properties.push_back(
        flagProperty("no random operand used twice (the two halves of an equal pair count once)",
                     seen.size() == placed));
}

// Signs of the random operands and the place and outcome of the one operand 0.
inline void addSignedRunProperties(Unit& u, std::span<const CaseValues> cases,
                                   const SignedRun& run) {
    long negatives = 0, positives = 0;
    bool zeroOnlyLast = true;
    for (const auto& c : cases) {
        const std::uint32_t v = c.operands.at(0);
        const bool last = &c == &cases.back();
        zeroOnlyLast = zeroOnlyLast && ((v == 0) == last);
        if (last) continue;
        (v >> 31 ? negatives : positives) += 1;
    }
    u.properties.push_back(countProperty("negative random operands", run.negatives, negatives));
    u.properties.push_back(countProperty("positive random operands", run.positives, positives));
    u.properties.push_back(flagProperty("operand 0 in the last case only", zeroOnlyLast));
    // Signs mixed without pattern: neither in blocks nor strictly alternating.
    long changes = 0;
    for (std::size_t k = 1; k + 1 < cases.size(); ++k)
        changes += (cases[k].operands.at(0) >> 31) != (cases[k - 1].operands.at(0) >> 31);
    const long random = static_cast<long>(cases.size()) - 1;
    u.properties.push_back(rangeProperty("sign changes between neighbouring random operands",
                                         random / 4, 3 * random / 4, changes));
    u.properties.push_back(flagProperty(
        fmt::format("case {}: operand 0, {}", cases.size(), run.zeroTaken ? "taken" : "not taken"),
        !cases.empty() && cases.back().operands.at(0) == 0 && cases.back().taken == run.zeroTaken));
}

// Marker rules shared by the three families: never 0, A != B, no marker twice within the
// routine, and a two-instruction load for every marker but those of the `shortA` cases' marker A.
inline void addMarkerProperties(Unit& u, std::span<const CaseValues> cases,
                                std::span<const int> shortA = {}) {
    bool nonzero = true, differ = true, loads = true;
    std::set<std::uint32_t> seen;
    std::size_t placed = 0;
    for (const auto& c : cases) {
        nonzero = nonzero && c.markerA != 0 && c.markerB != 0;
        differ = differ && c.markerA != c.markerB;
        const bool shortOk = std::find(shortA.begin(), shortA.end(), c.number) != shortA.end();
        loads = loads && casegen::loadWords(c.markerA) == (shortOk ? 1 : 2) &&
                casegen::loadWords(c.markerB) == 2;
        seen.insert({c.markerA, c.markerB});
        placed += 2;
    }
    u.properties.push_back(flagProperty("markers never 0", nonzero));
    u.properties.push_back(flagProperty("marker A differs from marker B in every case", differ));
    u.properties.push_back(
        flagProperty("no marker repeats within the routine", seen.size() == placed));
    std::string loadRule = "every marker a two-instruction load";
    for (const int n : shortA)
        loadRule += fmt::format(", but marker A of case {} lui alone", n);
    u.properties.push_back(flagProperty(loadRule, loads));
}

// Count of cases by instruction count, against the routine's distribution.
inline void addLengthProperties(Unit& u, const std::map<int, int>& target,
                                std::span<const int> lengths) {
    for (auto it = target.rbegin(); it != target.rend(); ++it) {
        const auto n = std::count(lengths.begin(), lengths.end(), it->first);
        u.properties.push_back(
            countProperty(fmt::format("cases of {} instructions", it->first), it->second, n));
    }
}

// Taken and not-taken counts, and the first case of each.
inline void addOutcomeProperties(Unit& u, std::span<const CaseValues> cases, int taken,
                                 int notTaken, int firstTaken = 0, int firstNotTaken = 0) {
    const auto takenCount =
        std::count_if(cases.begin(), cases.end(), [](const CaseValues& c) { return c.taken; });
    u.properties.push_back(countProperty("taken cases", taken, takenCount));
    u.properties.push_back(
        countProperty("not-taken cases", notTaken, static_cast<long>(cases.size()) - takenCount));
    const auto first = [&](bool outcome) {
        const auto it = std::find_if(cases.begin(), cases.end(),
                                     [&](const CaseValues& c) { return c.taken == outcome; });
        return it == cases.end() ? 0 : it->number;
    };
    if (firstTaken)
        u.properties.push_back(countProperty("first taken case", firstTaken, first(true)));
    if (firstNotTaken)
        u.properties.push_back(countProperty("first not-taken case", firstNotTaken, first(false)));
}

// Each fixed case at its place with its values, and the expectation the rule gave it equal to
// the stated one.
inline void addFixedCaseProperties(Unit& u, std::span<const CaseValues> cases,
                                   std::span<const FixedCase> fixed) {
    for (const auto& f : fixed) {
        const auto it = std::find_if(cases.begin(), cases.end(),
                                     [&](const CaseValues& c) { return c.number == f.number; });
        const bool holds = it != cases.end() && it->operands == f.operands &&
                           it->markerA == f.markerA && it->markerB == f.markerB &&
                           it->taken == f.taken;
        u.properties.push_back(flagProperty(fmt::format("case {}: fixed values, expects {}",
                                                        f.number, f.taken ? "markers" : "0, 0"),
                                            holds));
    }
}

// What every back-and-forth list reports after its family's own properties: marker A of the
// short-marker case, the marker rules, the fixed cases, and the count of cases by length against
// `lengths`.
inline void addListProperties(Unit& u, const CaseList& list, const WrittenCases& written,
                              const std::map<int, int>& lengths) {
    std::vector<int> shortA;
    if (const auto& m = list.shortMarker) {
        shortA.push_back(m->number);
        const CaseValues& c = written.cases.at(m->number - 1);
        u.properties.push_back(
            flagProperty(fmt::format("case {}: marker A {}, {}", m->number, hex32(m->markerA),
                                     m->taken ? "taken" : "not taken"),
                         c.markerA == m->markerA && c.taken == m->taken));
    }
    addMarkerProperties(u, written.cases, shortA);
    addFixedCaseProperties(u, written.cases, list.fixed);
    addLengthProperties(u, lengths, written.lengths);
}

} // namespace casegen::branch
