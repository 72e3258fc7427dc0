#pragma once
// The fault catalogue: every known fault, family by family, and the selection of faults by name.
#include <span>
#include <string_view>

#include "coretest/fault.h"

namespace coretest {

// Every known fault, family by family.
std::span<const FaultDef> faultCatalogue();
const FaultDef* findFault(std::string_view name);

// "NAME" or "NAME@ROUTINE"; throws InputError for an unknown fault name or a malformed text.
// The routine is checked against the image when the run starts.
FaultSelection parseFaultSelection(std::string_view text);
// The selection the fault campaign uses: confined to the fault's scope.
FaultSelection campaignSelection(const FaultDef& fault);

} // namespace coretest
