// Faults of the loads and stores.
#include "families.h"

namespace coretest::faults {

std::span<const FaultDef> memory() {
    return {};
}

} // namespace coretest::faults
