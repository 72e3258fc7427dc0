#pragma once
// What an image's display words count: the routines of a ROM, or the checkpoints of a random
// program (`coretest random`), which carries its options as a data object of this name.
#include "coretest/image.h"

namespace coretest {

inline constexpr const char* kRandomOptionsSymbol = "random_options";

// "checkpoints" for a random program, "routines" for any other image.
inline const char* countedUnits(const Image& image) {
    return image.findSymbol(kRandomOptionsSymbol) ? "checkpoints" : "routines";
}

} // namespace coretest
