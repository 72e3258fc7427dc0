#pragma once
// The conditional lists, those of the branches (beq, bne, bgez, bgtz, blez, bltz) and of the
// branch-and-link instructions (bltzal, bgezal): one routine description and one builder, which
// the two families call with their own templates.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "branch_cases.h"
#include "branch_rule.h"
#include "unit.h"

namespace casegen::branch {

// What the two operands of a beq/bne case are.
enum class Shape { DifferentWords, SameWord, SecondZero, FirstZero, BothZero };

// One run of beq/bne cases with operands of one shape and, by the rule, one outcome.
struct Group {
    int count;
    Shape shape;
    bool taken;
    std::string_view heading;
};

struct ConditionalRoutine {
    int number;
    std::string_view op;
    Condition condition;
    int cases;
    int taken;
    int notTaken;
    int fixedWords;                      // instructions of a case besides its constant loads
    std::vector<Group> groups = {};      // beq, bne
    std::optional<SignedRun> signs = {}; // the one-operand branches
    std::optional<ShortMarker> shortMarker = {};
    std::vector<FixedCase> fixed;
    std::map<int, int> lengths; // instructions per case -> number of cases
};

// Writes the routine's cases into the unit, which includes `includes`, and reports its
// properties.
void buildConditional(Unit& u, const ConditionalRoutine& r, std::vector<std::string> includes);

} // namespace casegen::branch
