#pragma once
// What a core under simulation wrote for one instruction, as trace records in the reference
// core's terms: a store's byte enables and lanes become an address, a size and a value; physical
// addresses become the kseg0/kseg1 addresses the reference core uses; a store into the ROM,
// which the board refuses and the reference core does not record, is dropped.
#include <cstdint>
#include <vector>

#include "coretest/instr.h"
#include "coretest/trace.h"
#include "retirement.h"

namespace coretest::cosim {

// The address the reference core uses for one a core presents: with `physical`, the RAM at 0 and
// the ROM at 0x1fc00000 are moved to kseg0 and kseg1; the board page stays where it is.
std::uint32_t referenceAddress(std::uint32_t address, bool physical);

// A store as a record. Enables of one byte, an aligned halfword or the whole word give that
// size; any other pattern (swl and swr write one to three bytes) gives the word at the aligned
// address, its other bytes taken from `memoryWord` (what memory holds there after the store).
TraceRecord storeRecord(std::uint32_t pc, std::uint32_t address, std::uint8_t enables,
                        std::uint32_t data, std::uint32_t memoryWord);

// The records of a retired instruction, general register, LO, HI and store in that order (the
// reference core's), at the reference address of its pc. A store by `op` swl or swr is always
// compared as the merged word, as the reference core records it, with its other bytes from
// `memoryWord`, the reference memory's word at the store's address.
void coreRecords(const Retirement& r, bool physical, Op op, std::uint32_t memoryWord,
                 std::vector<TraceRecord>& out);

} // namespace coretest::cosim
