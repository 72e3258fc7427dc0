// Faults of the immediate ALU instructions.
#include "families.h"

namespace coretest::faults {

std::span<const FaultDef> aluImm() {
    return {};
}

} // namespace coretest::faults
