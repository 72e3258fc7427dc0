#pragma once
// The registers of a random program: four belong to the checker and the memory window, the other
// 27 are drawn at random.
#include <cstdint>

namespace coretest::random {

using RegMask = std::uint32_t;

inline constexpr unsigned kTemp = 26; // k0: the checker's scratch and the call's target
inline constexpr unsigned kLink = 27; // k1: the checker's return address and second scratch
inline constexpr unsigned kSig = 28;  // gp: checkpoint number, then the running signature
inline constexpr unsigned kBase = 29; // sp: the middle of the RAM window, for every access
inline constexpr unsigned kRa = 31;

inline constexpr RegMask bit(unsigned reg) {
    return RegMask{1} << reg;
}
inline constexpr RegMask kReserved = bit(0) | bit(kTemp) | bit(kLink) | bit(kSig) | bit(kBase);
inline constexpr RegMask kRandomRegisters = ~kReserved;

// The RAM the program touches: the window its loads and stores reach (offsets -128 to +127 from
// kBase), and the checker's slots below it.
inline constexpr std::uint32_t kWindowBytes = 256;
inline constexpr std::uint32_t kWindowStart = 0x80000100;
inline constexpr std::uint32_t kBaseAddress = kWindowStart + kWindowBytes / 2;
inline constexpr std::int32_t kSlotCheckpoint = -0x180; // 0x80000000: number being checked
inline constexpr std::int32_t kSlotReturn = -0x17c;     // return address into the block
inline constexpr std::int32_t kSlotExpected = -0x178;   // next expected signature
inline constexpr std::int32_t kSlotPasses = -0x174;     // passes still to run

} // namespace coretest::random
