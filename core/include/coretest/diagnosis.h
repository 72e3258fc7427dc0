#pragma once
// Names what a run shows: for every routine that reported, its result word and, when it failed,
// the case, source line, comparison and register values that made it fail. `coretest run`, the
// fault campaign and the trace compare all name cases through this one place.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "coretest/fault.h"
#include "coretest/image.h"
#include "coretest/line_table.h"
#include "coretest/run.h"

namespace coretest {

// One case of a routine: the instructions of one source line.
struct CaseSpan {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    int line = 0;
};

struct RoutineMap {
    int number = 0;                // place in the run order (N of nN_<mnemonic>_test)
    std::string name;              // "n8_slt_test"
    AddressRange range;            // entry to the nop after jr
    std::uint32_t reportBlock = 0; // the unit's inst_error
    std::string file; // source of the unit as its line records name it, "inst/n8_slt.S"
    std::vector<CaseSpan> cases;
};

// Where an address lies: routine, case (1-based; 0 outside every case) and source line.
struct CaseRef {
    const RoutineMap* routine = nullptr;
    int caseIndex = 0;
    int line = 0;
    std::string describe() const; // "case 3 of n8_slt_test (inst/n8_slt.S:12)"
};

// The routines of an image and their cases, from its function symbols, its `inst_error` labels and
// its line records. Without line records the routines are known but their cases are not.
class RomMap {
  public:
    RomMap(const Image& image, const LineTable* lines);
    static RomMap load(const Image& image); // reads the line records of the image's file

    const std::vector<RoutineMap>& routines() const { return routines_; } // run order
    const RoutineMap* routineAt(std::uint32_t pc) const;
    const RoutineMap* routineNamed(std::string_view name) const;
    CaseRef caseAt(std::uint32_t pc) const;
    // Case `caseIndex` (1-based) of the routine of that name; no routine or case 0 when absent.
    CaseRef caseOf(std::string_view routine, int caseIndex) const;
    std::vector<std::uint32_t> reportBlocks() const;
    std::uint32_t word(std::uint32_t address) const; // instruction word of the ROM (0 outside)

  private:
    std::vector<RoutineMap> routines_;
    std::vector<std::uint8_t> rom_;
};

// The registers that the instructions of the case at `pc` write before `pc`, in order of first
// write, with their values in `regs`: the operands and expectations the case has placed.
std::vector<std::pair<unsigned, std::uint32_t>>
caseRegisters(const RomMap& map, std::uint32_t pc, const std::array<std::uint32_t, 32>& regs);

// "t0=0x47974516 t1=0xb8fd4d1c": registers with their values, as the reports list them.
std::string describeRegisters(const std::vector<std::pair<unsigned, std::uint32_t>>& registers);

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

// The outcome in the terms of the fault catalogue's expectations.
struct ObservedFailure {
    std::string routine;
    int caseIndex = 0;
    int comparison = 0;
};
struct Observed {
    ExpectedKind kind = ExpectedKind::Unnoticed;
    StopReason reason = StopReason::Verdict;
    std::vector<ObservedFailure> failures; // Fails: every failed routine; ExceptionIdle: where
};
Observed observe(const Diagnosis& d);
bool agrees(const Expected& expected, const Observed& observed);
std::string describe(const Expected& expected);
std::string describe(const Observed& observed);

} // namespace coretest
