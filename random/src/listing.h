#pragma once
// The listing of a laid-out program: one line per word with its address, the word and its
// disassembly (or `.word` for data), labels on lines of their own, and the source line of every
// word for the line records.
#include <cstdint>
#include <string>
#include <vector>

#include "assembly.h"

namespace coretest::random {

struct Listing {
    std::string text;
    std::vector<int> lineOf; // 1-based listing line of each assembly line
};

// `header` lines come first, as comments.
Listing makeListing(const Assembly& assembly, const Layout& layout,
                    const std::vector<std::string>& header);

} // namespace coretest::random
