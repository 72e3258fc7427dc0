// Faults of the jumps.
#include "families.h"

namespace coretest::faults {

std::span<const FaultDef> jump() {
    return {};
}

} // namespace coretest::faults
