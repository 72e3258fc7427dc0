#include "../families.h"

namespace casegen {

// Frame only until this family's case list is written.
void buildBranchSlot(Unit&) {}

} // namespace casegen
