// Faults of the HI/LO moves.
#include "families.h"

namespace coretest::faults {

std::span<const FaultDef> hilo() {
    return {};
}

} // namespace coretest::faults
