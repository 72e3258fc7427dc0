#pragma once
// The 58 test routines as the built image places them, in link order, beside the generator's
// link table and unit description.
#include <cstdint>
#include <string>
#include <vector>

#include "rom_image.h"
#include "units.h"

namespace romtest {

struct PlacedRoutine {
    casegen::LinkSlot slot;    // the link table's entry for the unit
    std::string routine;       // nN_<mnemonic>_test
    std::string returnReg;     // register the report block returns through, e.g. "ra", "s7"
    std::uint32_t address = 0; // from the symbol table
    std::uint32_t size = 0;
    std::uint32_t end() const { return address + size; }
    std::uint32_t paddedEnd() const { return (end() + 15) & ~15u; }
    std::uint32_t reportBlock() const { return end() - 5 * 4; } // inst_error: sll, or, sw, jr, nop
    std::uint32_t exit() const { return end() - 8 * 4; }        // bnez s2, inst_error onwards
};

// Every routine of the link table with its symbol's address and size.
std::vector<PlacedRoutine> placedRoutines(const RomImage& image);

// The routines of the built image, placed once.
const std::vector<PlacedRoutine>& builtRoutines();

// A routine with an empty body: the frame's instructions only.
inline constexpr std::uint32_t kFrameOnlyBytes = 4 * casegen::Unit::kFrameWords;

// Routines of the image that have no cases yet.
int frameOnlyRoutines(const std::vector<PlacedRoutine>& routines);

} // namespace romtest
