#pragma once
// Where a run ends: the loops a core idles in for good once the program is over.
#include <cstdint>
#include <span>
#include <vector>

#include "coretest/image.h"
#include "coretest/instr.h"

namespace coretest {

// The first instruction of every idle loop in the decoded ROM `rom` (one entry per word from
// kRomBase): a loop of at most a few words that ends in an unconditional branch or jump back to
// its start and whose instructions (the delay slot included) change nothing but registers.
std::vector<std::uint32_t> idleLoops(std::span<const Instr> rom);

// Whether an idle loop starts at `address`: the first ROM's loop at the exception vector, where a
// run stops, and not a program's exception handler, which a run executes.
bool idleLoopAt(std::span<const Instr> rom, std::uint32_t address);

// The stop points of a run that mean "the program is over": `test_finish` when the image names
// it, otherwise (a stripped image, or one cut after its text) every idle loop of the ROM except
// the one at the exception vector, so that the end of a run never depends on symbols.
std::vector<std::uint32_t> finishPoints(const Image& image, std::span<const Instr> rom);

} // namespace coretest
