#pragma once
// What a core has reported of one instruction: its retirement and each of its writes come
// separately and in any order (a store performed in MEM before an older instruction's
// write-back, HI/LO from a divider cycles after younger instructions retired). The instruction
// is checked once it has retired and every write it announced has arrived.
#include <cstdint>

namespace coretest::cosim {

// Bits of Retirement::announced and Retirement::arrived.
enum WriteKind : std::uint8_t { kGpr = 1, kHi = 2, kLo = 4, kMem = 8 };
inline constexpr std::uint8_t kAllWrites = kGpr | kHi | kLo | kMem;

struct Retirement {
    std::uint32_t seq = 0;
    bool retired = false; // the retirement itself has been reported
    bool trap = false;
    std::uint8_t announced = 0; // writes the retirement says belong to the instruction
    std::uint8_t arrived = 0;   // writes that have arrived
    std::uint32_t pc = 0;
    std::uint32_t insn = 0;
    std::uint8_t reg = 0;
    std::uint32_t regValue = 0;
    std::uint32_t hi = 0;
    std::uint32_t lo = 0;
    std::uint32_t memAddress = 0;
    std::uint8_t memEnables = 0;
    std::uint32_t memData = 0;
    // A trap of a core that reports its exceptions (coretest_cosim_retire_exception): the Cause
    // code, EPC and BadVAddr it set.
    bool exception = false;
    std::uint8_t excCode = 0;
    std::uint32_t epc = 0;
    std::uint32_t badVAddr = 0;

    bool complete() const { return retired && (announced & arrived) == announced; }

    // A slot taken for a new instruction: what says which fields hold something is cleared; the
    // values themselves are read only where `arrived` or `retired` says they came.
    void start(std::uint32_t newSeq) {
        seq = newSeq;
        retired = trap = exception = false;
        announced = arrived = 0;
    }
};

} // namespace coretest::cosim
