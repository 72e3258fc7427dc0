#pragma once
// The text of a trace comparison (trace_compare.h), as `coretest compare` prints it and as a live
// checker in a simulation prints it at a divergence:
//
//   formatDivergence(d, image, map, {.source = "core.trace"})  // one divergence, its case,
//                                                              // values and instructions before
//   formatComparison(c, image, map, {...})                     // every divergence, the end, and
//                                                              // the routine table of keep-going
#include <cstdint>
#include <string>

#include "coretest/trace_compare.h"

namespace coretest {

struct ReportStyle {
    std::string source = "trace"; // the user's trace, as "SOURCE:LINE" names it
    std::size_t window = 0;       // the window the comparison used (named for early records)
    // Whole instructions (a live checker): divergences are named by the instruction's number in
    // checking order and its seq, not by a line of a file.
    bool byInstruction = false;
};

// Where an address lies: its case, the entry, exit or report block of a routine, the exception
// idle loop, or the nearest symbol.
std::string placeOf(const Image& image, const RomMap& map, std::uint32_t pc);

// One divergence: how it differs, the case, the expected and observed records, the case's
// registers and the instructions before it on the reference core. `ordinal` 0 is the first
// divergence, later ones (keep-going) say so. Lines end with '\n'.
std::string formatDivergence(const Divergence& d, const Image& image, const RomMap& map,
                             const ReportStyle& style, std::size_t ordinal = 0);

// The whole comparison: agreement, each divergence, how the trace or the reference run ended,
// and with several divergences a table of the routines.
std::string formatComparison(const TraceComparison& c, const Image& image, const RomMap& map,
                             const ReportStyle& style);

// The table of a keep-going comparison: per routine, the records that agreed, were skipped while
// resynchronising, and its first divergence.
std::string formatRoutineTable(const TraceComparison& c, const ReportStyle& style);

} // namespace coretest
