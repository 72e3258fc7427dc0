#pragma once
// MIPS-I instruction words as a person reads them, and the static facts diagnostics need.
#include <cstdint>
#include <optional>
#include <string>

namespace coretest {

// "addu $v0, $t0, $t1", "bne $v0, $v1, 0xbfc00a10"; pc gives branch and jump targets.
std::string disassemble(std::uint32_t word, std::uint32_t pc);

// Target of a PC-relative branch (beq, bne, blez, bgtz, bltz, bgez, bltzal, bgezal) or of j/jal.
std::optional<std::uint32_t> staticTarget(std::uint32_t word, std::uint32_t pc);

// Canonical name of general register r ("zero", "at", "v0", ... "ra").
const char* registerName(unsigned r);

} // namespace coretest
