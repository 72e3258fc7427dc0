#pragma once
#include <string>
#include <vector>

#include "unit.h"

namespace casegen {

// Per routine, every counted property with its target and its value; a final line counts the
// properties off target.
std::string renderReport(const std::vector<Unit>& units);

} // namespace casegen
