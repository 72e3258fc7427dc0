// Faults of the shifts.
#include "families.h"

namespace coretest::faults {

std::span<const FaultDef> shift() {
    return {};
}

} // namespace coretest::faults
