// Faults of multiply and divide.
#include "families.h"

namespace coretest::faults {

std::span<const FaultDef> muldiv() {
    return {};
}

} // namespace coretest::faults
