#pragma once
// The ROM this build produced, loaded once per test program, and its map of routines and cases.
#include "coretest/image.h"
#include "coretest/routine_reports.h"

namespace coretest_test {

inline const coretest::Image& rom() {
    static const coretest::Image image = coretest::Image::load(CORETEST_ROM_PATH);
    return image;
}

inline const coretest::RomMap& romMap() {
    static const coretest::RomMap map = coretest::RomMap::load(rom());
    return map;
}

} // namespace coretest_test
