#pragma once
// The report of one divergence between a core under simulation and the reference core, laid out
// as `coretest compare` lays out its reports: where, the instruction, the expected and observed
// records, the case's registers and the instructions before it on the reference core.
#include <cstdint>
#include <optional>
#include <string>

#include "coretest/image.h"
#include "coretest/rom_map.h"
#include "coretest/trace.h"
#include "coretest/trace_compare.h"

namespace coretest::cosim {

struct DivergenceReport {
    std::uint64_t ordinal = 0;       // 0 for the first divergence of the run
    std::uint64_t checkedBefore = 0; // instructions checked before it
    // The instruction, expected and observed records (either may be absent: no such write),
    // case, case registers and instructions before; kind Differs when both records are there.
    Divergence divergence;
    std::string what; // how they part when the records do not tell (empty for Differs)
};

std::string formatReport(const DivergenceReport& report, const Image& image, const RomMap& map);

} // namespace coretest::cosim
