#pragma once
// Differential run of the reference core and the Unicorn core side by side. Every instruction the
// engine executes is checked by the comparison of trace_compare.h (TraceChecker::retire): its
// address, whether it raised an exception, and what it wrote, as records (each destination the
// reference core writes with the engine's value there, and whatever else the engine changed); at
// the end the exception taken and the board-event log. The first difference is reported with the
// instruction and, in the ROM, the case it belongs to.
#include <cstdint>
#include <optional>
#include <string>

#include "coretest/image.h"
#include "coretest/rom_map.h"
#include "coretest/run.h"

namespace coretest {

struct LockstepDifference {
    std::uint64_t instruction = 0; // instructions both cores had executed when they parted
    std::uint32_t pc = 0;          // the instruction after which they differ
    std::string disassembly;       // of that instruction
    CaseRef where;                 // its case, when the image has line records
    std::string what; // the comparison's report on one line: "expected ...; observed ...; ..."
    std::string describe() const; // one line with all of the above
};

struct LockstepResult {
    std::uint64_t instructions = 0; // instructions compared
    StopReason reason = StopReason::InstructionLimit;
    std::optional<LockstepDifference> difference;
    // Where the cores cannot be compared, the run stops before it (reason InstructionLimit):
    // "not comparable: <what> at <address>".
    std::optional<std::string> notComparable;
};

// `map` names cases (nullptr: the image has none). The run ends where the Unicorn core stops:
// a second arrival at test_finish or the exception vector, or the instruction limit. The engine's
// MIPS32 coprocessor 0 is not the R3000's and it has no rfe, so the run also stops at the first
// coprocessor instruction, and, when the image has a handler at the exception vector instead of
// an idle loop, at the first exception (notComparable).
LockstepResult lockstep(const Image& image, const RomMap* map, std::uint32_t switchValue,
                        std::uint64_t instructionLimit);

} // namespace coretest
