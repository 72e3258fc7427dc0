#pragma once
// The ROMs this build produced, each loaded once per test program, and their maps of routines and
// cases.
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

inline const coretest::Image& rom2() {
    static const coretest::Image image = coretest::Image::load(CORETEST_ROM2_PATH);
    return image;
}

inline const coretest::RomMap& rom2Map() {
    static const coretest::RomMap map = coretest::RomMap::load(rom2());
    return map;
}

} // namespace coretest_test
