// Branch-and-link: bltzal, bgezal, each case one branch_and_link template (rom/inst/
// branch_link.inc): the back-and-forth template with link captures, the return address kept in
// s7, and an absolute check of both links.
#include <vector>

#include "../branch_cases.h"
#include "../branch_conditional.h"
#include "../families.h"

namespace casegen {

namespace {

using namespace branch;

// Instructions of a case besides its operand loads: link save, two clears, b, nop; marker-A block
// (capture, branch, nop, b, nop); operand block (branch, nop); not-taken path (capture, address
// load of two, b, nop); marker-B capture; restore; check (two bne with nops, two address loads
// of two, two bne with nops).
constexpr int kFixedWords = 5 + 5 + 2 + 5 + 1 + 1 + 4 + 4 + 4;

const std::vector<ConditionalRoutine>& routines() {
    static const std::vector<ConditionalRoutine> kRoutines{
        {.number = 41,
         .op = "bltzal",
         .condition = Condition::LessThanZero,
         .cases = 139,
         .taken = 72,
         .notTaken = 67,
         .fixedWords = kFixedWords,
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
         .fixedWords = kFixedWords,
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
    if (const ConditionalRoutine* r = findRoutine(routines(), u.number))
        buildConditional(u, *r, {"jump.inc", "branch_link.inc"});
}

} // namespace casegen
