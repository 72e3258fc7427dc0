#pragma once
// Names what a run shows: for every routine that reported, its result word and, when it failed,
// the case, source line, comparison and register values that made it fail. `coretest run`, the
// fault campaign and the trace compare all name failures through this one place.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "coretest/image.h"
#include "coretest/rom_map.h"
#include "coretest/run.h"

namespace coretest {

// The branch to inst_error that failed a case.
struct Comparison {
    std::uint32_t pc = 0;
    std::string text;   // disassembled branch
    int ordinal = 0;    // 1-based among the case's branches to inst_error
    bool guard = false; // an unconditional `b inst_error`: control went where it must not
    unsigned got = 0, expected = 0; // registers compared (for a bne)
};

struct CaseFailure {
    CaseRef where;
    Comparison comparison;
    // Registers the case wrote before the failing branch, in order, with their values there.
    std::vector<std::pair<unsigned, std::uint32_t>> registers;
    std::uint32_t gotValue = 0, expectedValue = 0;
    std::string describe() const; // one line: comparison, values
};

struct RoutineReport {
    int number = 0;
    std::string name;
    std::uint32_t resultWord = 0;
    bool passed = false;
    std::optional<CaseFailure> failure;
};

// What the run showed, routine by routine, and how it ended.
struct Diagnosis {
    RunResult run;
    std::vector<RoutineReport> routines; // in the order they reported
    std::size_t reportsDropped = 0;      // arrivals at report blocks beyond the first 100,000
    std::optional<CaseRef> exceptionAt;  // where the exception was raised
    bool verdictPassed() const { return run.reason == StopReason::Verdict && run.board.lampA == 1; }
};

// Runs the image with watches on every report block and names each failure.
Diagnosis diagnose(const Image& image, const RomMap& map, RunOptions options);

} // namespace coretest
