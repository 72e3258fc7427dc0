#include <vector>

#include "../families.h"
#include "../operand.h"
#include "../slot_unit.h"

namespace casegen {

namespace {

using namespace slot;

constexpr std::uint32_t kMostNegative = 0x80000000;
constexpr std::uint32_t kMostPositive = 0x7fffffff;

// Instructions of a branch case besides the guard loads and the link save/restore.
// Probe with a result register: not-taken branch + slot, reference, bne + nop, taken branch +
// slot, b inst_error + nop, bne + nop.
constexpr int kPlainSteps = 11;
// Multiply/divide: two clears, not-taken branch + slot, mflo, mtlo, reference + mflo, bne + nop,
// mtlo, taken branch + slot, b inst_error + nop, mflo + bne + nop.
constexpr int kMulDivSteps = 18;

struct BranchRoutine {
    int number;
    std::string_view macro;
    std::vector<std::pair<int, std::uint32_t>> guards; // as the routine's macro loads them
    bool links;
    int probes;
    std::uint32_t dataWord;
};

// Guards and branches as the routines' macros in branch_slot.inc use them.
const std::vector<BranchRoutine>& branchRoutines() {
    static const std::vector<BranchRoutine> kRoutines{
        {16, "beq_slot", {{s5, 1}}, false, kShortList, 0x80018ee0},
        {17, "bne_slot", {{s5, 1}}, false, kShortList, 0x80020120},
        {52, "bgez_slot", {{a0, kMostNegative}}, false, kLongList, 0x80018ee0},
        {53, "bgtz_slot", {{a0, kMostNegative}, {a1, kMostPositive}}, false, kLongList, 0x80018ee0},
        {54, "blez_slot", {{a0, kMostPositive}}, false, kLongList, 0x80018ee0},
        {55, "bltz_slot", {{a0, kMostNegative}, {a1, kMostPositive}}, false, kLongList, 0x80018ee0},
        {56,
         "bltzal_slot",
         {{a0, kMostNegative}, {a1, kMostPositive}},
         true,
         kLongList,
         0x80018ee0},
        {57, "bgezal_slot", {{a0, kMostNegative}}, true, kLongList, 0x80018ee0},
    };
    return kRoutines;
}

} // namespace

void buildBranchSlot(Unit& u) {
    for (const auto& b : branchRoutines()) {
        if (b.number != u.number) continue;
        int fixed = b.links ? 2 : 0; // addu s7, zero, ra and addu ra, zero, s7
        for (const auto& g : b.guards)
            fixed += loadWords(g.second);
        CaseModel model;
        model.order = CaseModel::Order::Branches;
        model.guards = b.guards;
        model.links = b.links;
        model.result = b.links ? s5 : s7; // s7 holds the return address in the link routines
        model.loClobber = a0;
        fillSlotUnit(u, {b.number, b.macro, "branch_slot.inc", model, b.probes, b.dataWord,
                         fixed + kPlainSteps, fixed + kMulDivSteps});
    }
}

} // namespace casegen
