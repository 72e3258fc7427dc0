#pragma once
// The --fault options of run and trace, checked together before any fault table is built.
#include <string>
#include <vector>

#include "coretest/fault.h"

namespace coretest::cli {

// Distinct faults in one run at most: each costs its tables before the run starts.
inline constexpr std::size_t kMaxFaultsPerRun = 64;

// The selections of `texts` (NAME or NAME@ROUTINE), a repeated one once. Throws InputError for
// text with control or non-UTF-8 bytes (quoted in the message) and for more than
// kMaxFaultsPerRun distinct selections, before anything is built for them.
std::vector<FaultSelection> faultSelections(const std::vector<std::string>& texts);

} // namespace coretest::cli
