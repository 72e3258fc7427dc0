#pragma once
// The instructions a routine executes besides the one it tests, read from the ROM itself. A
// routine that fails may fail because of one of these: the mflo routine sets LO with mtlo, so a
// broken mtlo shows up first as a failing mflo routine.
#include <string>
#include <vector>

#include "coretest/rom_map.h"

namespace coretest {

// The mnemonic under test: "slt" for n8_slt_test, "beq" for n16_beq_ds_test.
std::string testedMnemonic(const RoutineMap& routine);

// The distinct mnemonics of the routine's text other than the tested one and nop, in the order
// they first appear.
std::vector<std::string> reliedOnInstructions(const RomMap& map, const RoutineMap& routine);

} // namespace coretest
