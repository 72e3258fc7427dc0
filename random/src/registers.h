#pragma once
// The registers of a random program: four belong to the checker and the memory window, the other
// 27 are drawn at random.
#include <cstdint>

namespace coretest::random {

using RegMask = std::uint32_t;

inline constexpr unsigned kTemp = 26; // k0: the checker's address between checkpoints (the call's
                                      // target), scratch inside the fixed code
inline constexpr unsigned kLink = 27; // k1: the checker's return address, scratch
inline constexpr unsigned kSig = 28;  // gp: checkpoint number, then the signature
inline constexpr unsigned kBase = 29; // sp: the middle of the RAM window, for every access
inline constexpr unsigned kRa = 31;

inline constexpr RegMask bit(unsigned reg) {
    return RegMask{1} << reg;
}
inline constexpr RegMask kReserved = bit(0) | bit(kTemp) | bit(kLink) | bit(kSig) | bit(kBase);
inline constexpr RegMask kRandomRegisters = ~kReserved;

// The RAM the program touches: the window its loads and stores reach (offsets -128 to +127 from
// kBase), the checker's save area right below it and the slots at the start of RAM. The checker
// folds the save area and the window, kCheckedWords words from kSaveArea, into the signature.
inline constexpr std::uint32_t kWindowBytes = 256;
inline constexpr std::uint32_t kWindowStart = 0x80000100;
inline constexpr std::uint32_t kBaseAddress = kWindowStart + kWindowBytes / 2;
inline constexpr std::int32_t kSlotCheckpoint = -0x180; // 0x80000000: number being checked
inline constexpr std::int32_t kSlotReturn = -0x17c;     // return address into the block
inline constexpr std::int32_t kSlotExpected = -0x178;   // next expected signature
inline constexpr std::int32_t kSlotPasses = -0x174;     // passes still to run
inline constexpr std::int32_t kSlotBlock = -0x170;      // the block now running (1 to n)
inline constexpr std::int32_t kSlotChecker = -0x16c;    // the checker's address
inline constexpr std::int32_t kSlotResume = -0x168;     // announced resume address, 0: none
// 0x80000080: three words the exception handler writes (zero until the first expected
// exception), the 27 random registers in ascending order, HI, LO.
inline constexpr std::int32_t kSaveArea = -0x100;
inline constexpr std::int32_t kSavedCause = kSaveArea;        // Cause ^ (Status << 16)
inline constexpr std::int32_t kSavedEpc = kSaveArea + 4;      // EPC
inline constexpr std::int32_t kSavedBadVAddr = kSaveArea + 8; // BadVAddr
inline constexpr std::uint32_t kSaveZeros = 3;
inline constexpr std::uint32_t kCheckedWords = 32 + kWindowBytes / 4;

// The save-area offset (from kBase) of a random register, of HI and of LO.
inline constexpr std::int32_t savedRegister(unsigned reg) {
    std::int32_t index = kSaveZeros;
    for (unsigned r = 1; r < reg; ++r)
        if (kRandomRegisters & bit(r)) ++index;
    return kSaveArea + 4 * index;
}
inline constexpr std::int32_t kSavedHi = kSaveArea + 4 * 30;
inline constexpr std::int32_t kSavedLo = kSaveArea + 4 * 31;
static_assert(savedRegister(kRa) == kSaveArea + 4 * 29, "27 registers after the zeros");

} // namespace coretest::random
