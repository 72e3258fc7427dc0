#pragma once
// The 58 test units: run order, names and the builder of each, and the ROM's link order with the
// routine size every unit must assemble to.
#include <array>
#include <optional>
#include <string_view>

#include "unit.h"

namespace casegen {

struct UnitEntry {
    int number;
    std::string_view mnemonic;
    std::string_view title;
    void (*build)(Unit&);
};

// Run order: N = 1 to 58.
extern const std::array<UnitEntry, 58> kUnits;

struct LinkSlot {
    std::string_view unit;     // e.g. "n7_or"
    std::uint32_t address;     // routine address in the ROM
    std::uint32_t size;        // routine size in bytes, entry to the nop after jr
    int padding;               // nop words after the routine up to the next 16-byte boundary
};

// Link order of the units in the ROM, after the boot unit.
extern const std::array<LinkSlot, 58> kLinkOrder;

const UnitEntry* findUnit(std::string_view name); // "n7_or" or "n7_or_test"
std::optional<LinkSlot> linkSlot(std::string_view unit);

Unit buildUnit(const UnitEntry& entry);

} // namespace casegen
