#pragma once
// MIPS-I instruction words as a person reads them, and the static facts diagnostics need.
#include <cstdint>
#include <optional>
#include <string>

namespace coretest {

// "addu $v0, $t0, $t1", "bne $v0, $v1, 0xbfc00a10"; pc gives branch and jump targets.
// Coprocessor registers go by number, as the assembler writes them: "mfc0 $t0, $12", "rfe",
// "lwc1 $4, 8($a0)"; a coprocessor 1-3 operation shows the 26 bits below its opcode:
// "cop1 0x2000005".
std::string disassemble(std::uint32_t word, std::uint32_t pc);

// Target of a PC-relative branch (beq, bne, blez, bgtz, bltz, bgez, bltzal, bgezal) or of j/jal.
std::optional<std::uint32_t> staticTarget(std::uint32_t word, std::uint32_t pc);

// Canonical name of general register r ("zero", "at", "v0", ... "ra").
const char* registerName(unsigned r);

} // namespace coretest
