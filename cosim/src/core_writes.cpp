#include "core_writes.h"

#include "coretest/board.h"

namespace coretest::cosim {

namespace {

constexpr std::uint32_t kPhysicalRom = 0x1fc00000;
constexpr std::uint32_t kKseg1 = 0xa0000000;

// The word at an aligned address after storing the enabled lanes of data into memoryWord.
TraceRecord mergedWord(std::uint32_t pc, std::uint32_t address, std::uint8_t enables,
                       std::uint32_t data, std::uint32_t memoryWord) {
    std::uint32_t mask = 0;
    for (unsigned lane = 0; lane < 4; ++lane)
        if (enables & (1u << lane)) mask |= 0xffu << (8 * lane);
    return {.pc = pc,
            .kind = TraceRecord::Kind::Memory,
            .size = 4,
            .address = address & ~3u,
            .value = (data & mask) | (memoryWord & ~mask)};
}

} // namespace

std::uint32_t referenceAddress(std::uint32_t address, bool physical) {
    if (!physical) return address;
    if (address - kPhysicalRom < kRomSize) return address + kKseg1;
    if (address < kRamSize) return address + kRamBase;
    return address;
}

TraceRecord storeRecord(std::uint32_t pc, std::uint32_t address, std::uint8_t enables,
                        std::uint32_t data, std::uint32_t memoryWord) {
    unsigned lane = 0, size = 0;
    switch (enables) {
    case 0b0001: lane = 0, size = 1; break;
    case 0b0010: lane = 1, size = 1; break;
    case 0b0100: lane = 2, size = 1; break;
    case 0b1000: lane = 3, size = 1; break;
    case 0b0011: lane = 0, size = 2; break;
    case 0b1100: lane = 2, size = 2; break;
    default: return mergedWord(pc, address, enables, data, memoryWord);
    }
    const std::uint32_t mask = size == 1 ? 0xff : 0xffff;
    return {.pc = pc,
            .kind = TraceRecord::Kind::Memory,
            .size = static_cast<std::uint8_t>(size),
            .address = (address & ~3u) + lane,
            .value = (data >> (8 * lane)) & mask};
}

void coreRecords(const Retirement& r, bool physical, Op op, std::uint32_t memoryWord,
                 std::vector<TraceRecord>& out) {
    out.clear();
    const std::uint32_t pc = referenceAddress(r.pc, physical);
    if ((r.arrived & kGpr) && r.reg != 0)
        out.push_back(
            {.pc = pc, .kind = TraceRecord::Kind::Reg, .reg = r.reg, .value = r.regValue});
    if (r.arrived & kLo) out.push_back({.pc = pc, .kind = TraceRecord::Kind::Lo, .value = r.lo});
    if (r.arrived & kHi) out.push_back({.pc = pc, .kind = TraceRecord::Kind::Hi, .value = r.hi});
    if (r.arrived & kMem) {
        const std::uint32_t address = referenceAddress(r.memAddress, physical);
        if (address - kRomBase < kRomSize) return;
        const bool partialWord = op == Op::Swl || op == Op::Swr;
        out.push_back(partialWord ? mergedWord(pc, address, r.memEnables, r.memData, memoryWord)
                                  : storeRecord(pc, address, r.memEnables, r.memData, memoryWord));
    }
}

} // namespace coretest::cosim
