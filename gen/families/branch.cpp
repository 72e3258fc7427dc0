// Conditional branches: beq, bne, bgez, bgtz, blez, bltz, each case one back_and_forth template
// (rom/inst/branch.inc) that runs the branch backward, then forward. The builder of every
// conditional list, buildConditional, which branch-and-link uses with its own template, is here.
#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../branch_cases.h"
#include "../branch_conditional.h"
#include "../branch_properties.h"
#include "../branch_rule.h"
#include "../families.h"

namespace casegen {

namespace {

using namespace branch;

Shape shapeOf(std::uint32_t x, std::uint32_t y) {
    if (x == 0 && y == 0) return Shape::BothZero;
    if (x == 0) return Shape::FirstZero;
    if (y == 0) return Shape::SecondZero;
    return x == y ? Shape::SameWord : Shape::DifferentWords;
}

// Instructions of a case besides its operand loads: entry (two clears, b, nop), marker-A block
// and operand block (branch, nop, b, nop, and in most routines a filler nop after the delay slot
// of each fall-through guard), check block (bne, nop, bne, nop).
constexpr int fixedWords(bool filler) {
    return 4 + 2 * (4 + (filler ? 1 : 0)) + 4;
}
constexpr int kWithFiller = fixedWords(true);
constexpr int kWithoutFiller = fixedWords(false);

const std::vector<ConditionalRoutine>& routines() {
    static const std::vector<ConditionalRoutine> kRoutines{
        {.number = 4,
         .op = "beq",
         .condition = Condition::Equal,
         .cases = 104,
         .taken = 49,
         .notTaken = 55,
         .fixedWords = kWithFiller,
         .groups = {{32, Shape::DifferentWords, false, "two different random words"},
                    {48, Shape::SameWord, true, "one random word in both t0 and t1"},
                    {10, Shape::SecondZero, false, "t0 random, t1 = 0"},
                    {13, Shape::FirstZero, false, "t0 = 0, t1 random"},
                    {1, Shape::BothZero, true, "both 0"}},
         .fixed = {{1, {0x52919078, 0x81468400}, 0x0fb16a80, 0xdf225ddc, false},
                   {33, {0x62fb4a80, 0x62fb4a80}, 0x166a1ae0, 0x107af4b4, true},
                   {81, {0x37a00820, 0}, 0xa03a8bd0, 0x69dccece, false},
                   {104, {0, 0}, 0xfc98d552, 0xca9087ec, true}},
         .lengths = {{30, 48}, {28, 33}, {27, 23}}},
        {.number = 5,
         .op = "bne",
         .condition = Condition::NotEqual,
         .cases = 153,
         .taken = 104,
         .notTaken = 49,
         .fixedWords = kWithFiller,
         .groups = {{66, Shape::DifferentWords, true, "two different random words"},
                    {48, Shape::SameWord, false, "one random word in both t0 and t1"},
                    {18, Shape::SecondZero, true, "t0 random, t1 = 0"},
                    {20, Shape::FirstZero, true, "t0 = 0, t1 random"},
                    {1, Shape::BothZero, false, "both 0"}},
         .fixed = {{1, {0xbcaabd27, 0x82a77a9d}, 0x235fde00, 0xdd597dde, true},
                   {67, {0xdbd8b1e0, 0xdbd8b1e0}, 0x846d8928, 0xa920a654, false},
                   {153, {0, 0}, 0x1744192c, 0x0b48f1f0, false}},
         .lengths = {{30, 66}, {29, 38}, {28, 48}, {26, 1}}},
        {.number = 37,
         .op = "bgez",
         .condition = Condition::GreaterOrEqualZero,
         .cases = 201,
         .taken = 95,
         .notTaken = 106,
         .fixedWords = kWithFiller,
         .signs = SignedRun{106, 94, 6, 1, true},
         // In a not-taken case only the marker-A load itself is shortened (expected v0 is 0):
         // the routine's one 25-instruction case.
         .shortMarker = ShortMarker{113, 0xb7d30000, false},
         .fixed = {{1, {0xdd4f1370}, 0xbe6e1670, 0x28b850c0, false},
                   {201, {0}, 0x1f139900, 0xaf6531c4, true}},
         .lengths = {{28, 94}, {27, 1}, {26, 105}, {25, 1}}},
        {.number = 38,
         .op = "bgtz",
         .condition = Condition::GreaterThanZero,
         .cases = 201,
         .taken = 91,
         .notTaken = 110,
         .fixedWords = kWithFiller,
         .signs = SignedRun{109, 91, 3, 1, false},
         .fixed = {{201, {0}, 0x79bb8050, 0xa7583a00, false}},
         .lengths = {{28, 91}, {26, 109}, {25, 1}}},
        {.number = 39,
         .op = "blez",
         .condition = Condition::LessOrEqualZero,
         .cases = 201,
         .taken = 95,
         .notTaken = 106,
         .fixedWords = kWithFiller,
         .signs = SignedRun{94, 106, 1, 2, true},
         .fixed = {{1, {0x95b9206f}, 0x6ad0a0b8, 0x8f08db03, true},
                   {201, {0}, 0xbb9734a0, 0xff0af084, true}},
         .lengths = {{28, 94}, {27, 1}, {26, 106}}},
        {.number = 40,
         .op = "bltz",
         .condition = Condition::LessThanZero,
         .cases = 153,
         .taken = 81,
         .notTaken = 72,
         .fixedWords = kWithoutFiller,
         .signs = SignedRun{81, 71, 1, 6, false},
         .fixed = {{1, {0x9e0d7d08}, 0x933a7610, 0xee034360, true},
                   {153, {0}, 0x5f7d6c5f, 0x632c31aa, false}},
         .lengths = {{26, 81}, {24, 71}, {23, 1}}},
    };
    return kRoutines;
}

std::vector<std::uint32_t> drawOperands(DistinctValues& values, Shape shape) {
    switch (shape) {
    case Shape::DifferentWords: {
        const std::uint32_t x = values.draw();
        return {x, values.draw()};
    }
    case Shape::SameWord: {
        const std::uint32_t x = values.draw();
        return {x, x};
    }
    case Shape::SecondZero: return {values.draw(), 0};
    case Shape::FirstZero: return {0, values.draw()};
    case Shape::BothZero: return {0, 0};
    }
    return {};
}

// Operands of every case of the routine, in run order, each list with the heading of its group.
std::vector<PlannedCase> planOperands(const ConditionalRoutine& r, Rng& rng,
                                      DistinctValues& values) {
    std::vector<PlannedCase> plan;
    if (!r.signs) {
        for (const auto& g : r.groups)
            for (int i = 0; i < g.count; ++i) {
                const FixedCase* f = findFixed(r.fixed, static_cast<int>(plan.size()) + 1);
                plan.push_back({f ? f->operands : drawOperands(values, g.shape), g.heading});
            }
        return plan;
    }
    std::vector<PinnedOutcome> pinned;
    if (r.shortMarker) pinned.push_back({r.shortMarker->number, r.shortMarker->taken});
    const std::vector<std::uint32_t> operands =
        signedRunOperands(rng, values, r.condition, r.cases, r.taken, *r.signs, r.fixed, pinned);
    for (const std::uint32_t v : operands)
        plan.push_back({{v}, v == 0 ? "operand 0" : "random operands, signs mixed"});
    return plan;
}

// Shape and outcome of every group of a beq/bne list.
void addGroupProperties(Unit& u, const ConditionalRoutine& r,
                        const std::vector<CaseValues>& cases) {
    int first = 1;
    for (const auto& g : r.groups) {
        const int last = first + g.count - 1;
        const auto n = std::count_if(cases.begin(), cases.end(), [&](const CaseValues& c) {
            return c.number >= first && c.number <= last && c.taken == g.taken &&
                   shapeOf(c.operands.at(0), c.operands.at(1)) == g.shape;
        });
        const std::string places =
            first == last ? fmt::format("case {}", first) : fmt::format("cases {}-{}", first, last);
        u.properties.push_back(countProperty(
            fmt::format("{}: {}, {}", places, g.heading, g.taken ? "taken" : "not taken"), g.count,
            n));
        first = last + 1;
    }
}

} // namespace

void buildBranch(Unit& u) {
    if (const ConditionalRoutine* r = findRoutine(routines(), u.number))
        buildConditional(u, *r, {"branch.inc"});
}

namespace branch {

void buildConditional(Unit& u, const ConditionalRoutine& r, std::vector<std::string> includes) {
    Rng rng = rngFor(u.number);
    DistinctValues values(rng);
    reserveFixed(values, r.fixed);
    if (r.shortMarker) values.reserve(r.shortMarker->markerA);

    const std::vector<PlannedCase> plan = planOperands(r, rng, values);
    u.includes = std::move(includes);
    const CaseList list{r.op, r.condition, r.fixedWords, r.fixed, r.shortMarker};
    const WrittenCases written = writeCases(u, list, plan, values);
    const std::vector<CaseValues>& cases = written.cases;

    u.properties.push_back(countProperty("cases", r.cases, static_cast<long>(cases.size())));
    addOutcomeProperties(u, cases, r.taken, r.notTaken, r.signs ? r.signs->firstTaken : 0,
                         r.signs ? r.signs->firstNotTaken : 0);
    addRandomOperandProperties(u, cases);
    if (r.signs)
        addSignedRunProperties(u, cases, *r.signs);
    else
        addGroupProperties(u, r, cases);
    addListProperties(u, list, written, r.lengths);
}

} // namespace branch

} // namespace casegen
