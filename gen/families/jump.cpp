// Jumps: j, jal, jr, jalr, each case one back-and-forth template of rom/inst/jump.inc that jumps
// backward into the marker-A block, then forward into the marker-B block.
#include <optional>
#include <string_view>
#include <vector>

#include "../branch_cases.h"
#include "../branch_properties.h"
#include "../families.h"

namespace casegen {

namespace {

using namespace branch;

struct MarkerPair {
    std::uint32_t a;
    std::uint32_t b;
};

struct Routine {
    int number;
    std::string_view op;
    int cases;
    int caseWords;  // every case the same length: the markers are always lui then ori
    int fixedWords; // of those, the instructions besides the four marker loads
    MarkerPair first;
    MarkerPair last;
};

// Fixed instructions per template: j 18 (22 steps, four of them marker loads); jr 22 (two
// address loads of two instructions more); jal 26 (link save, captures, restore and the relative
// link check); jalr 32 (link save, captures, restore, four address loads, absolute link check).
const std::vector<Routine>& routines() {
    static const std::vector<Routine> kRoutines{
        {13, "j", 121, 26, 18, {0x42ea6edf, 0x24071ba8}, {0x7b07c5ea, 0x22f0cf9c}},
        {14, "jal", 122, 34, 26, {0x8c3e1efa, 0xeb2bd57c}, {0x18e08d00, 0x6fa3619e}},
        {15, "jr", 142, 30, 22, {0xc21e6e78, 0x0e2ea248}, {0x87151984, 0x381fd770}},
        {43, "jalr", 140, 40, 32, {0x6e6b362a, 0x240baf26}, {0xf1c91b75, 0xc4783b2e}},
    };
    return kRoutines;
}

} // namespace

void buildJump(Unit& u) {
    const Routine* r = findRoutine(routines(), u.number);
    if (!r) return;

    const std::vector<FixedCase> fixed{{1, {}, r->first.a, r->first.b, true},
                                       {r->cases, {}, r->last.a, r->last.b, true}};
    Rng rng = rngFor(u.number);
    DistinctValues values(rng);
    reserveFixed(values, fixed);

    u.includes = {"jump.inc"};
    // Every case one backward and one forward jump, under one heading.
    const std::vector<PlannedCase> plan(
        static_cast<std::size_t>(r->cases),
        {{}, "a backward and a forward jump per case; markers expected in v0, v1"});
    const CaseList list{r->op, std::nullopt, r->fixedWords, fixed};
    const WrittenCases written = writeCases(u, list, plan, values);

    u.properties.push_back(
        countProperty("cases", r->cases, static_cast<long>(written.cases.size())));
    addListProperties(u, list, written, {{r->caseWords, r->cases}});
}

} // namespace casegen
