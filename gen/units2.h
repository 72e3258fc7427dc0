#pragma once
// The second ROM's test units (routines 59 to 82): run order, names and the builder of each.
// Their titles carry the case counts the builders find.
#include <array>
#include <string_view>

#include "units.h"

namespace casegen {

inline constexpr int kFirstRom2Routine = 59;

// Run order: N = 59 to 82.
extern const std::array<UnitEntry, 24> kUnits2;

const UnitEntry* findUnit2(std::string_view name); // "n59_lb" or "n59_lb_test"

} // namespace casegen
