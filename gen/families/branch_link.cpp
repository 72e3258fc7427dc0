// Branch-and-link: bltzal, bgezal, each case one branch_and_link template (rom/inst/
// branch_link.inc): the back-and-forth template with link captures, the return address kept in
// s7, and an absolute check of both links.
#include <map>
#include <string_view>
#include <vector>

#include "../branch_cases.h"
#include "../branch_properties.h"
#include "../branch_rule.h"
#include "../families.h"

namespace casegen {

namespace {

using namespace branch;

struct Routine {
    int number;
    std::string_view op;
    Condition condition;
    int cases;
    int taken;
    int notTaken;
    SignedRun signs;
    std::vector<FixedCase> fixed;
    std::map<int, int> lengths; // instructions per case -> number of cases
};

// Instructions of a case besides its operand loads: link save, two clears, b, nop; marker-A block
// (capture, branch, nop, b, nop); operand block (branch, nop); not-taken path (capture, address
// load of two, b, nop); marker-B capture; restore; check (two bne with nops, two address loads
// of two, two bne with nops).
constexpr int kFixedWords = 5 + 5 + 2 + 5 + 1 + 1 + 4 + 4 + 4;

const std::vector<Routine>& routines() {
    static const std::vector<Routine> kRoutines{
        {.number = 41,
         .op = "bltzal",
         .condition = Condition::LessThanZero,
         .cases = 139,
         .taken = 72,
         .notTaken = 67,
         .signs = SignedRun{72, 66, 1, 2, false},
         .fixed = {{1, {0xc564aaee}, 0xf1026890, 0x39dd5800, true},
                   {2, {0x655e408b}, 0x6c41162c, 0x8d5cd86f, false},
                   {139, {0}, 0xafbac4d4, 0xf06fb6ae, false}},
         .lengths = {{41, 72}, {39, 66}, {38, 1}}},
        {.number = 42,
         .op = "bgezal",
         .condition = Condition::GreaterOrEqualZero,
         .cases = 146,
         .taken = 72,
         .notTaken = 74,
         .signs = SignedRun{74, 71, 2, 1, true},
         .fixed = {{1, {0x9ec9db66}, 0x029aaf84, 0xb5a8cca0, false},
                   {2, {0x48f555d0}, 0x288dbddc, 0xabcf87b8, true},
                   {146, {0}, 0x36a36650, 0x44fa7d50, true}},
         .lengths = {{41, 71}, {39, 74}, {40, 1}}},
    };
    return kRoutines;
}

} // namespace

void buildBranchLink(Unit& u) {
    const Routine* r = findRoutine(routines(), u.number);
    if (!r) return;

    Rng rng = rngFor(u.number);
    DistinctValues values(rng);
    reserveFixed(values, r->fixed);
    const std::vector<PlannedCase> plan = signedRunPlan(
        signedRunOperands(rng, values, r->condition, r->cases, r->taken, r->signs, r->fixed));

    u.includes = {"jump.inc", "branch_link.inc"};
    const CaseList list{r->op, r->condition, kFixedWords, r->fixed};
    const WrittenCases written = writeCases(u, list, plan, values);
    const std::vector<CaseValues>& cases = written.cases;

    u.properties.push_back(countProperty("cases", r->cases, static_cast<long>(cases.size())));
    addOutcomeProperties(u, cases, r->taken, r->notTaken, r->signs.firstTaken,
                         r->signs.firstNotTaken);
    addRandomOperandProperties(u, cases);
    addSignedRunProperties(u, cases, r->signs);
    addListProperties(u, list, written, r->lengths);
}

} // namespace casegen
