#pragma once
// How constants reach registers in a case, and the value shapes the case lists are built from.
#include <cstdint>

#include "rng.h"

namespace casegen {

// Instructions of the operand load of v: one for addiu/ori/lui-alone forms, two for lui+ori.
int loadWords(std::uint32_t v);

// Upper half neither 0x0000 nor 0xffff and lower half not 0x0000: always lui followed by ori.
bool isFullWidth(std::uint32_t v);

// A full-width value with many low-order zero bits (about one in eight odd, about one in three
// with a zero low hex digit) and evenly spread upper bits.
std::uint32_t drawFullWidth(Rng& rng);

} // namespace casegen
