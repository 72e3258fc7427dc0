// Jumps: j, jal, jr, jalr, each case one back-and-forth template of rom/inst/jump.inc that jumps
// backward into the marker-A block, then forward into the marker-B block.
#include <algorithm>
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
    const auto& all = routines();
    const auto it = std::find_if(all.begin(), all.end(),
                                 [&](const Routine& r) { return r.number == u.number; });
    if (it == all.end()) return;
    const Routine& r = *it;

    Rng rng = rngFor(u.number);
    DistinctValues values(rng);
    for (const auto& m : {r.first, r.last}) {
        values.reserve(m.a);
        values.reserve(m.b);
    }
    const std::vector<FixedCase> fixed{{1, {}, r.first.a, r.first.b, true},
                                       {r.cases, {}, r.last.a, r.last.b, true}};

    u.includes = {"jump.inc"};
    u.lines.push_back("# a backward and a forward jump per case; markers expected in v0, v1");
    std::vector<CaseValues> cases;
    std::vector<int> lengths;
    for (int n = 1; n <= r.cases; ++n) {
        CaseValues c;
        c.number = n;
        c.taken = true; // a jump always transfers control
        if (n == 1 || n == r.cases) {
            const MarkerPair& m = n == 1 ? r.first : r.last;
            c.markerA = m.a;
            c.markerB = m.b;
        } else {
            c.markerA = values.draw();
            c.markerB = values.draw();
        }
        const std::uint32_t args[] = {c.markerA, c.markerB};
        u.lines.push_back(caseLine(r.op, args, n));
        lengths.push_back(r.fixedWords + c.loadWords());
        u.bodyWords += lengths.back();
        cases.push_back(c);
    }

    u.properties.push_back(countProperty("cases", r.cases, static_cast<long>(cases.size())));
    addMarkerProperties(u, cases);
    addFixedCaseProperties(u, cases, fixed);
    addLengthProperties(u, {{r.caseWords, r.cases}}, lengths);
}

} // namespace casegen
