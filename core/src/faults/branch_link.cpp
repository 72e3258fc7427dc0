// Faults of the branch-and-link instructions.
#include "families.h"

namespace coretest::faults {

std::span<const FaultDef> branchLink() {
    return {};
}

} // namespace coretest::faults
