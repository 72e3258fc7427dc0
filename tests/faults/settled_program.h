#pragma once
// Small hand-assembled programs run with one catalogue fault, for the tests of the hazard and
// forwarding faults: each program first gives t0 the value 1 and a0 the RAM address 0x80000000
// and lets both settle (three nops), so a write hidden from a later reader shows as 1; the other
// registers the programs read start at 0.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "coretest/catalogue.h"
#include "coretest/fault.h"
#include "support/program.h"

namespace coretest::testing {

constexpr std::string_view kSettled = R"(
    addiu $t0, $zero, 1
    lui $a0, 0x8000
    nop
    nop
    nop
)";

// `body` behind kSettled with the fault `fault` installed, `data` in RAM at 0x80000000; nullopt
// (and a failed test) when the catalogue has no such fault.
inline std::optional<RunResult> runSettled(std::string_view fault, std::string_view body,
                                           std::string_view data) {
    const FaultDef* def = findFault(fault);
    if (!def) {
        ADD_FAILURE() << "the catalogue has no fault " << fault;
        return std::nullopt;
    }
    RunOptions options;
    options.instructionLimit = 1000;
    options.faults.push_back({def, ""});
    return runProgram(std::string(kSettled) + std::string(body), options, data);
}

} // namespace coretest::testing
