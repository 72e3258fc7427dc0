#include "routines.h"

#include <algorithm>
#include <stdexcept>

namespace romtest {

std::vector<PlacedRoutine> placedRoutines(const RomImage& image) {
    std::vector<PlacedRoutine> routines;
    for (const auto& slot : casegen::kLinkOrder) {
        const casegen::UnitEntry* entry = casegen::findUnit(slot.unit);
        if (!entry)
            throw std::out_of_range("link table names an unknown unit " + std::string(slot.unit));
        const casegen::Unit unit = casegen::buildUnit(*entry);
        PlacedRoutine r;
        r.slot = slot;
        r.routine = unit.routine();
        r.returnReg = unit.returnReg.starts_with('$') ? unit.returnReg.substr(1) : unit.returnReg;
        const Symbol& sym = image.symbol(r.routine);
        r.address = sym.value;
        r.size = sym.size;
        routines.push_back(std::move(r));
    }
    return routines;
}

const std::vector<PlacedRoutine>& builtRoutines() {
    static const std::vector<PlacedRoutine> routines = placedRoutines(RomImage::built());
    return routines;
}

int frameOnlyRoutines(const std::vector<PlacedRoutine>& routines) {
    return static_cast<int>(std::count_if(routines.begin(), routines.end(),
                                          [](const auto& r) { return r.size == kFrameOnlyBytes; }));
}

} // namespace romtest
