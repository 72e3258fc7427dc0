#pragma once
// The recorded whole-core outcomes: for each catalogue fault that does not state its whole-core
// expectation itself, what the ROM shows when the fault acts everywhere. Recorded from the
// reference core (`coretest faults --record-whole-core` prints the rows) and reviewed: an entry
// whose fault goes unnoticed, or is first seen in another routine than the fault's own, says why.
#include <span>
#include <string_view>

#include "coretest/fault.h"

namespace coretest {

struct RecordedWholeCore {
    std::string_view fault;
    WholeCoreExpected outcome;
    std::string_view reason; // why it is unnoticed or first seen elsewhere; "" when neither
};

std::span<const RecordedWholeCore> recordedWholeCoreTable();

// The recorded outcomes of every catalogue fault acting on the whole core with the second ROM
// (routines 59 to 82). Recorded from the reference core (`coretest faults --rom 2
// --record-whole-core` prints the rows) and reviewed: a blind spot of the first ROM that the second
// ROM does not catch says why; every other entry has no reason.
std::span<const RecordedWholeCore> recordedSecondRomTable();

// Whether the board shows the fault: no pass verdict, or a routine that reported a failure (the
// display word's pass count short of its routine count even when the lamps show a pass).
bool caught(const WholeCoreExpected& outcome);

// Whether an outcome is one of the ROM's blind spots for that fault: unnoticed although the
// scoped fault is caught, or first seen in another routine than the scoped expectation's first.
bool isBlindSpot(const FaultDef& fault, const WholeCoreExpected& outcome);

} // namespace coretest
