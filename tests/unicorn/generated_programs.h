#pragma once
// Generated test programs for what the ROM itself does not exercise but both cores define:
// byte and halfword accesses, unaligned word accesses, board-register and ROM accesses,
// syscall and break, and the exceptions (overflow, address errors, bus errors, reserved
// instruction), the latter also in taken and not-taken delay slots.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "coretest/image.h"
#include "coretest/state.h"

namespace coretest::testing {

struct ExpectedException {
    ExceptionCause cause;
    std::uint32_t pc;
    std::uint32_t badAddress; // 0 where the cause has none
    bool delaySlot;
};

struct GeneratedProgram {
    std::string name; // "partial-words #3"
    Image image;
    std::optional<ExpectedException> exception; // none: the program ends with the end mark
};

// Every family's programs, `perFamily` of each, drawn from a fixed seed.
std::vector<GeneratedProgram> generatedPrograms(int perFamily);

} // namespace coretest::testing
