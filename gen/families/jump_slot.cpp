#include <vector>

#include "../families.h"
#include "../slot_unit.h"

namespace casegen {

namespace {

using namespace slot;

// Instructions of a jump case besides the link save/restore and the jump-register load.
// Probe with a result register: reference, jump + slot, b inst_error + nop, bne + nop.
constexpr int kPlainSteps = 7;
// Multiply/divide (jalr only): two clears, reference + mflo, mtlo, jalr + slot,
// b inst_error + nop, mflo + bne + nop.
constexpr int kMulDivSteps = 12;
// lui and addiu of the check step's address.
constexpr int kAddressLoad = 2;

struct JumpRoutine {
    int number;
    std::string_view macro;
    bool links;
    int jumpReg; // zero for the jumps that take their target from the instruction
    int probes;
    std::uint32_t dataWord;
};

const std::vector<JumpRoutine>& jumpRoutines() {
    static const std::vector<JumpRoutine> kRoutines{
        {18, "j_slot", false, zero, kShortList, 0x80027120},
        {19, "jal_slot", true, zero, kShortList, 0x80019ee0},
        {20, "jr_slot", false, s5, kShortList, 0x80018ee0},
        {58, "jalr_slot", true, a0, kLongList, 0x80018ee0},
    };
    return kRoutines;
}

} // namespace

void buildJumpSlot(Unit& u) {
    for (const auto& j : jumpRoutines()) {
        if (j.number != u.number) continue;
        const int fixed = (j.links ? 2 : 0) + (j.jumpReg != zero ? kAddressLoad : 0);
        CaseModel model;
        model.order = CaseModel::Order::Jump;
        model.links = j.links;
        model.jumpReg = j.jumpReg;
        model.loClobber = j.jumpReg; // LO is clobbered with the check step's address
        fillSlotUnit(u, {j.number, j.macro, "jump_slot.inc", model, j.probes, j.dataWord,
                         fixed + kPlainSteps, fixed + kMulDivSteps});
    }
}

} // namespace casegen
