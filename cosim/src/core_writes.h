#pragma once
// What a core under simulation wrote for one instruction, as trace records in the reference
// core's terms: a store's byte enables and lanes become an address, a size and a value; physical
// addresses become the kseg0/kseg1 addresses the reference core uses; a store into the ROM,
// which the board refuses and the reference core does not record, is dropped.
#include <cstdint>
#include <vector>

#include "coretest/board.h"
#include "coretest/trace.h"
#include "retirement.h"

namespace coretest::cosim {

// The address the reference core uses for one a core presents: with `physical`, the RAM at 0 and
// the ROM at 0x1fc00000 are moved to kseg0 and kseg1; the board page stays where it is.
inline std::uint32_t referenceAddress(std::uint32_t address, bool physical) {
    constexpr std::uint32_t kPhysicalRom = 0x1fc00000;
    constexpr std::uint32_t kKseg1 = 0xa0000000;
    if (!physical) return address;
    if (address - kPhysicalRom < kRomSize) return address + kKseg1;
    if (address < kRamSize) return address + kRamBase;
    return address;
}

// A store as records: the bytes its enables select, from the lowest address, as one record (1 to
// 4 contiguous bytes: a byte, a halfword, the 3 bytes of a swl or swr, a word), or one record per
// run of contiguous bytes for enables with a gap (0101), which no instruction makes.
void storeRecords(std::uint32_t pc, std::uint32_t address, std::uint8_t enables, std::uint32_t data,
                  std::vector<TraceRecord>& out);

// The records of a retired instruction, general register, LO, HI, store and exception in that
// order (the reference core's), at the reference address of its pc. A trap's exception record
// comes from a core that reports its exceptions (Retirement::exception); a trap without it has
// none, and is compared by whether it trapped.
void coreRecords(const Retirement& r, bool physical, std::vector<TraceRecord>& out);

} // namespace coretest::cosim
